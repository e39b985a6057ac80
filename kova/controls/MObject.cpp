#include "MObject.h"

#include <cwchar>

namespace KOVA {

MObject::~MObject() = default;

int MObject::IsClass(const wchar_t* name)
{
    const wchar_t* own = GetClassNameW();
    if (!own || !name) return 0;
    return wcscmp(own, name) == 0 ? 1 : 0;
}

const wchar_t* MObject::GetClassNameW() const { return nullptr; }
const wchar_t* MObject::GetObjectClass() { return nullptr; }
const wchar_t* MObject::BaseObjectClassName() { return nullptr; }
long MObject::OnBaseMessage(unsigned, unsigned, unsigned, long) { return 0; }
long MObject::OnControlUpdate(CRect, int, MControl*) { return 0; }

} // namespace KOVA
