// Registration, creation, message routing and the modal loop of MWindow.
#include "MWindow.h"

#include "Manager.h"

namespace KOVA {

namespace {
const wchar_t kControlProperty[] = L"Control";
}

MWindow::MWindow() : m_hWndParent(nullptr), m_hWnd(nullptr), m_OldWndProc(DefWindowProcW), m_nReserved(0) {}

MWindow::~MWindow() = default;

const wchar_t* MWindow::GetWindowClassName() const { return L"MWindow"; }
const wchar_t* MWindow::GetSuperClassName() const { return nullptr; }

int MWindow::ShowWindow(int command)
{
    if (!IsSet()) return 0;
    return ::ShowWindow(m_hWnd, command);
}

LRESULT MWindow::OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcW(m_OldWndProc, m_hWnd, msg, wParam, lParam);
}

int MWindow::PreTranslateMessage(MSG*) { return 0; }
int MWindow::OnInitDialog() { return 1; }
void MWindow::OnDestroyMessage(HWND) {}

bool MWindow::IsSet() const { return m_hWnd != nullptr && m_hWnd != reinterpret_cast<HWND>(-1); }
bool MWindow::IsLive() const { return IsSet() && ::IsWindow(m_hWnd); }

int MWindow::RegisterWindowClass()
{
    WNDCLASSW wc = {};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = Manager::m_hInstance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = GetWindowClassName();
    if (RegisterClassW(&wc)) return 1;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS ? 1 : 0;
}

int MWindow::RegisterSuperClass()
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    const wchar_t* base = GetSuperClassName();
    if (!GetClassInfoExW(nullptr, base, &wc) && !GetClassInfoExW(Manager::m_hInstance, base, &wc)) return 0;
    m_OldWndProc = wc.lpfnWndProc;
    wc.cbSize = sizeof(wc);
    wc.hInstance = Manager::m_hInstance;
    wc.lpfnWndProc = ControlProc;
    wc.lpszClassName = GetWindowClassName();
    if (RegisterClassExW(&wc)) return 1;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS ? 1 : 0;
}

HWND MWindow::Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, CRect rc, HMENU menu)
{
    if (IsLive()) return m_hWnd;
    m_hWndParent = parent;
    int registered = GetSuperClassName() ? RegisterSuperClass() : RegisterWindowClass();
    if (!registered) return nullptr;
    m_hWnd = CreateWindowExW(exStyle, GetWindowClassName(), name, style, rc.left, rc.top, rc.Width(), rc.Height(),
                             parent, menu, Manager::m_hInstance, this);
    // Also after a failed creation: the handler's window calls then do nothing.
    OnInitDialog();
    return m_hWnd;
}

HWND MWindow::Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, CRect rc)
{
    return Create(parent, name, style, exStyle, rc, nullptr);
}

HWND MWindow::Create(HWND parent, CRect rc) { return Create(parent, L"MWindow", 0x0000080B, 0, rc, nullptr); }

HWND MWindow::Create(HWND parent) { return Create(parent, CRect(0, 0, 800, 600)); }

LRESULT CALLBACK MWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return Route(hwnd, msg, wParam, lParam, false);
}

LRESULT CALLBACK MWindow::ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return Route(hwnd, msg, wParam, lParam, true);
}

// The object pointer lives in the user-data slot of plain classes; a superclass keeps
// that slot for the system class's own use and carries the pointer as a property.
LRESULT MWindow::Route(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool property)
{
    MWindow* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<MWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (self) {
            self->m_hWnd = hwnd;
            if (property) SetPropW(hwnd, kControlProperty, self);
            else SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = property ? static_cast<MWindow*>(GetPropW(hwnd, kControlProperty))
                        : reinterpret_cast<MWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (msg == WM_NCDESTROY) {
            if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
            LRESULT result = CallWindowProcW(self->m_OldWndProc, hwnd, msg, wParam, lParam);
            // A property left on a destroyed window keeps its name atom referenced.
            if (property) RemovePropW(hwnd, kControlProperty);
            else SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            self->m_hWnd = nullptr;
            self->OnDestroyMessage(hwnd);
            return result;
        }
    }
    if (self) return self->OnWindowMessage(msg, wParam, lParam);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

UINT MWindow::ShowModal(int command)
{
    if (!IsLive()) return 0xFFFFFFFF;
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    ::ShowWindow(m_hWnd, command);
    if (owner) ::EnableWindow(owner, FALSE);

    UINT result = 0;
    bool quit = false;
    WPARAM quitCode = 0;
    MSG msg = {};
    while (m_hWnd && ::IsWindow(m_hWnd)) {
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            quit = true;
            quitCode = msg.wParam;
            break;
        }
        if (msg.message == WM_CLOSE && msg.hwnd == m_hWnd) {
            result = static_cast<UINT>(msg.wParam);
            // Before the window goes, so that activation falls back to the owner.
            if (owner) {
                ::EnableWindow(owner, TRUE);
                ::SetFocus(owner);
            }
        }
        if (!PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (owner) {
        ::EnableWindow(owner, TRUE);
        ::SetFocus(owner);
    }
    // The quit was meant for an outer loop too.
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    return result;
}

} // namespace KOVA
