// PaintManager: lifecycle, the area and control lists, lookup and removal.
#include "PaintManager.h"

#include "core/ScopedWin.h"

namespace KOVA {

namespace {
const unsigned kFrameworkFontId = 106;
const UINT kDefaultScrollV = 102;
const UINT kDefaultScrollH = 101;
} // namespace

PaintManager::PaintManager()
    : m_pOwner(nullptr), m_bInit(0), m_hWnd(nullptr), m_hDC(nullptr), m_crInnerBack(0x050505),
      m_crBorderBack(0xFF30BD), m_nMaxWidth(0), m_nMaxHeight(0), m_nMinWidth(0), m_nMinHeight(0), m_bLayered(0),
      m_pBkImage(nullptr), m_nBkWidth(0), m_nBkHeight(0), m_msgLevel(MSG_LEVEL_INFO), m_nMsgAlpha(0),
      m_nShownPercent(0), m_nTargetPercent(0), m_strMsgFont(L"Arial"), m_bDrawInfo(0), m_bWndDrag(1),
      m_uScrollVID(0), m_uScrollHID(0), m_crDefaultEnabled(0x808080), m_pHoverControl(nullptr),
      m_pFocusControl(nullptr), m_backMode(BACK_MODE_STRETCH), m_nBackModeValue(4), m_hBackCache(nullptr),
      m_pBackCacheBits(nullptr), m_nBackCacheWidth(0), m_nBackCacheHeight(0), m_bBackCacheValid(0)
{
    for (CRITICAL_SECTION* cs : {&m_csAreas, &m_csControls, &m_csMTimerControls, &m_csImages, &m_csControlTimers,
                                 &m_csTempFonts})
        InitializeCriticalSection(cs);
}

PaintManager::~PaintManager()
{
    DestroyData();
    ReleaseBackCache();
    // The locks live as long as the host, so a window created again on the same object
    // (after DestroyData) finds them intact.
    for (CRITICAL_SECTION* cs : {&m_csAreas, &m_csControls, &m_csMTimerControls, &m_csImages, &m_csControlTimers,
                                 &m_csTempFonts})
        DeleteCriticalSection(cs);
}

void PaintManager::Init(HWND hwnd, MWindow* owner)
{
    if (!hwnd || !IsWindow(hwnd)) return;
    if (hwnd != m_hWnd || !m_hDC) {
        if (m_hDC) ReleaseDC(m_hWnd, m_hDC);
        m_hWnd = hwnd;
        m_hDC = GetDC(hwnd);
    }
    m_pOwner = owner;
    // The window's drop-target registration joins here.
    m_bInit = 1;
    m_uScrollVID = kDefaultScrollV;
    m_uScrollHID = kDefaultScrollH;
    AddGDITempFont(kFrameworkFontId);
}

void PaintManager::DestroyData()
{
    if (!m_bInit) return;
    delete m_pBkImage;
    m_pBkImage = nullptr;
    m_nBkWidth = m_nBkHeight = 0;
    ReleaseBackCache();
    if (m_hDC) ReleaseDC(m_hWnd, m_hDC);
    m_hDC = nullptr;
    // The host's multimedia timer and its control timers stop here, before the controls go.
    ClearAreaControls();
    ClearControls();
    ClearImgResInfo();
    ClearTempFont();
    // The strip's timers died with the window; a window created again starts without a strip.
    m_nMsgAlpha = 0;
    m_nShownPercent = 0;
    m_nTargetPercent = 0;
    m_hWnd = nullptr;
    m_bInit = 0;
}

void PaintManager::OnDestroyMessage(HWND hwnd)
{
    if (hwnd && hwnd == m_hWnd) DestroyData();
}

int PaintManager::PostNcDestroy()
{
    DestroyData();
    return 1;
}

MControl* PaintManager::InsertControl(unsigned mode, MControl* control)
{
    if (!control) return nullptr;
    control->SetManager(this);
    if (mode == 0) {
        ScopedCritSec lock(&m_csAreas);
        m_areas.push_back(control);
    } else if (mode == 1) {
        ScopedCritSec lock(&m_csControls);
        m_controls.push_back(control);
    }
    return control;
}

MControl* PaintManager::GetControl(UINT id)
{
    for (MControlList* list : {&m_controls, &m_areas}) {
        for (MControl* control : *list) {
            if (control->GetControlID() == id) return control;
            if (MControl* found = control->GetControl(id)) return found;
        }
    }
    return nullptr;
}

MControlList* PaintManager::GetControls() { return &m_controls; }

void PaintManager::RemoveControl(MControl* control)
{
    ScopedCritSec lock(&m_csControls);
    for (auto it = m_controls.begin(); it != m_controls.end(); ++it) {
        if (*it != control) continue;
        m_controls.erase(it);
        ForgetSubtree(control);
        delete control;
        return;
    }
}

void PaintManager::DeleteList(MControlList& list, CRITICAL_SECTION* lock)
{
    ScopedCritSec hold(lock);
    MControlList doomed;
    doomed.swap(list);
    for (MControl* control : doomed) {
        ForgetSubtree(control);
        delete control;
    }
}

void PaintManager::ClearAreaControls() { DeleteList(m_areas, &m_csAreas); }
void PaintManager::ClearControls() { DeleteList(m_controls, &m_csControls); }

void PaintManager::ClearAllControls()
{
    ClearAreaControls();
    ClearControls();
}

void PaintManager::SetFocusControl(MControl* control)
{
    if (control == m_pFocusControl) return;
    if (m_pFocusControl) m_pFocusControl->SetControlFocus(FALSE);
    if (control) control->SetControlFocus(TRUE);
    m_pFocusControl = control;
}

void PaintManager::ForgetSubtree(MControl* root)
{
    if (!root) return;
    if (root->Contains(m_pHoverControl)) m_pHoverControl = nullptr;
    if (root->Contains(m_pFocusControl)) m_pFocusControl = nullptr;
}

} // namespace KOVA
