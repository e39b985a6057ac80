#pragma once
// Root of everything that owns controls or is told about them: dialogs, pop-up windows
// and controls. Class identity is the text GetClassNameW returns; there is no registry.
#include "core/Geometry.h"
#include "core/KovaApi.h"

namespace KOVA {

class MControl;

class KOVA_API MObject {
public:
    MObject() = default;
    MObject(const MObject&) = delete;
    MObject& operator=(const MObject&) = delete;

    // The virtual interface, in this order.
    virtual ~MObject();
    virtual int IsClass(const wchar_t* name);
    virtual const wchar_t* GetClassNameW() const;
    virtual const wchar_t* GetObjectClass();
    virtual const wchar_t* BaseObjectClassName();
    // A child's notification: its id, a code chosen by the child's class, two free values.
    virtual long OnBaseMessage(unsigned id, unsigned code, unsigned wParam, long lParam);
    // A child changed inside rect; rebuild 1 means its cached image is out of date.
    virtual long OnControlUpdate(CRect rect, int rebuild, MControl* control);
};

} // namespace KOVA
