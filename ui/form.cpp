#include "ui/form.h"

#include <windowsx.h>

#include <utility>

#include "ui/application.h"
#include "ui/late_bound.h"

namespace ui {
namespace {

// The windowless child of a container window under a point, topmost first.
Control* WindowlessAt(Control& container, POINT point)
{
    const auto& children = container.Controls();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        Control* child = *it;
        if (child->IsWindowed() || !child->Visible())
            continue;
        const RECT rect = child->PixelRect();
        if (PtInRect(&rect, point))
            return child;
    }
    return nullptr;
}

LPCWSTR CursorOf(const Control* control)
{
    for (; control; control = control->Parent()) {
        if (control->cursor)
            return control->cursor;
    }
    return IDC_ARROW;
}

void PaintContainer(Control& container, HWND window)
{
    const ScopedPaint paint(window);
    RECT client;
    GetClientRect(window, &client);
    // Paint into memory first, so that pictures and the labels on them never flicker.
    const ScopedMemoryDc dc(paint.Get());
    const ScopedBitmap buffer(CreateCompatibleBitmap(paint.Get(), client.right, client.bottom));
    if (!dc || !buffer)
        return;
    const ScopedSelection selected(dc.Get(), buffer.Get());
    FillRect(dc.Get(), &client, container.BackgroundBrush());
    for (Control* child : container.Controls()) {
        if (!child->IsWindowed() && child->Visible())
            child->Paint(dc.Get(), child->PixelRect());
    }
    BitBlt(paint.Get(), 0, 0, client.right, client.bottom, dc.Get(), 0, 0, SRCCOPY);
}

RECT WindowRectForClient(int width, int height, DWORD style, DWORD exStyle, int dpi)
{
    RECT rect{0, 0, width, height};
    if (!LateBound::AdjustWindowRectExForDpi(&rect, style, FALSE, exStyle, UINT(dpi)))
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    return rect;
}

} // namespace

Form::Form(std::wstring formName) : TextControl(nullptr, std::move(formName)) {}

Form::~Form() { Application::Instance().ForgetDeferredClose(*this); }

void Form::Forget(const Control& control)
{
    if (defaultButton == &control)
        defaultButton = nullptr;
    if (cancelButton == &control)
        cancelButton = nullptr;
    if (activeControl == &control)
        activeControl = nullptr;
    for (const Control* child : control.Controls())
        Forget(*child);
}

HWND Form::CreateHandle(HWND)
{
    const std::wstring className = L"T" + Name();
    WNDCLASSEXW windowClass{sizeof(windowClass)};
    windowClass.lpfnWndProc = &Form::WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className.c_str();
    windowClass.hIcon = LoadIconW(windowClass.hInstance, L"MAINICON");
    RegisterClassExW(&windowClass); // fails harmlessly when a second form of the class is made

    const DWORD style = WS_CAPTION | WS_CLIPCHILDREN | (systemMenu ? WS_SYSMENU : 0) | (minimizeBox ? WS_MINIMIZEBOX : 0);
    const DWORD exStyle = WS_EX_CONTROLPARENT | (owner ? 0 : WS_EX_APPWINDOW);
    const int dpi = Dpi();
    const RECT frame = WindowRectForClient(Scale(clientWidth, dpi), Scale(clientHeight, dpi), style, exStyle, dpi);
    return CreateWindowExW(exStyle, className.c_str(), Text().c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                           frame.right - frame.left, frame.bottom - frame.top, owner ? owner->Handle() : nullptr,
                           nullptr, windowClass.hInstance, this);
}

void Form::Create()
{
    CreateHandles(nullptr);
}

void Form::UseDesktopFont()
{
    followsDesktopFont = true;
    TakeDesktopFont();
}

void Form::TakeDesktopFont()
{
    LOGFONTW iconFont{};
    if (SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(iconFont), &iconFont, 0)) {
        font.face = iconFont.lfFaceName;
        // The icon-title font is given for the system DPI.
        const ScopedWindowDc screen(nullptr);
        const int dpi = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
        font.points = MulDiv(std::abs(iconFont.lfHeight), 72, dpi > 0 ? dpi : 96);
    } else {
        LOGFONTW systemFont{};
        GetObjectW(GetStockObject(SYSTEM_FONT), sizeof(systemFont), &systemFont);
        font.face = systemFont.lfFaceName;
    }
    parentFont = false;
    Refresh();
}

void Form::PlaceWindow()
{
    RECT window;
    GetWindowRect(Handle(), &window);
    RECT area;
    if (placement == Placement::OwnerCentre && owner && owner->Handle()) {
        GetWindowRect(owner->Handle(), &area);
    } else {
        MONITORINFO monitor{sizeof(monitor)};
        GetMonitorInfoW(MonitorFromWindow(owner && owner->Handle() ? owner->Handle() : Handle(), MONITOR_DEFAULTTOPRIMARY),
                        &monitor);
        area = monitor.rcWork;
    }
    const int width = window.right - window.left, height = window.bottom - window.top;
    SetWindowPos(Handle(), nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::Show()
{
    if (!Handle())
        Create();
    if (OnShow)
        OnShow();
    const bool first = !std::exchange(shownBefore, true);
    if (first && activeControl && activeControl->Handle())
        focusedWindow = activeControl->Handle();
    if (!IsShown()) {
        PlaceWindow();
        ShowWindow(Handle(), SW_SHOW);
    }
    SetForegroundWindow(Handle());
    if (first)
        RestoreFocus();
}

// As dialogs do it: the focus is remembered whenever the form may lose it (deactivated,
// disabled, hidden) and given back when the form is active and enabled again.
bool Form::RememberFocus()
{
    const HWND focus = GetFocus();
    if (!focus || !Handle() || !IsChild(Handle(), focus))
        return false;
    focusedWindow = focus;
    return true;
}

bool Form::RestoreFocus()
{
    const auto takes = [this](HWND window) {
        return window && IsChild(Handle(), window) && IsWindowVisible(window) && IsWindowEnabled(window);
    };
    HWND target = focusedWindow;
    if (!takes(target))
        target = activeControl ? activeControl->Handle() : nullptr;
    if (!takes(target)) {
        target = GetNextDlgTabItem(Handle(), nullptr, FALSE);
        if (target && !(GetWindowLongW(target, GWL_STYLE) & WS_TABSTOP))
            target = nullptr; // nothing takes the focus: the form keeps it
    }
    if (!takes(target))
        return false;
    SetFocus(target);
    return true;
}

void Form::Hide()
{
    if (Handle())
        ShowWindow(Handle(), SW_HIDE);
}

bool Form::IsShown() const { return Handle() && IsWindowVisible(Handle()); }

void Form::Close()
{
    if (OnClose)
        OnClose();
    if (inModal && modalResult == 0)
        modalResult = IDCANCEL;
    Hide();
    if (Application::Instance().MainForm() == this)
        PostQuitMessage(0); // closing the main window ends the program
}

int Form::ShowModal()
{
    const HWND ownerWindow = owner ? owner->Handle() : nullptr;
    if (ownerWindow)
        EnableWindow(ownerWindow, FALSE);
    modalResult = 0;
    inModal = true;
    Show();
    Application& application = Application::Instance();
    MSG message;
    while (modalResult == 0 && IsShown() && !application.Terminated()) {
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
            application.Terminate();
            PostQuitMessage(0);
            break;
        }
        application.HandleMessage(message);
    }
    inModal = false;
    if (ownerWindow)
        EnableWindow(ownerWindow, TRUE);
    Hide();
    if (ownerWindow)
        SetForegroundWindow(ownerWindow);
    return modalResult ? modalResult : IDCANCEL;
}

LRESULT CALLBACK Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(create->lpCreateParams));
    }
    Control* container = ControlOfWindow(window);
    if (!container)
        return DefWindowProcW(window, message, wParam, lParam);
    auto* form = dynamic_cast<Form*>(container);

    // No exception may cross into Windows: a failing handler ends its own work only.
    try {
        switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            PaintContainer(*container, window);
            return 0;
        case WM_MOUSEMOVE:
            container->SetHoveredChild(WindowlessAt(*container, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}));
            return 0;
        case WM_MOUSELEAVE:
            container->SetHoveredChild(nullptr);
            return 0;
        case WM_LBUTTONUP:
            if (Control* clicked = WindowlessAt(*container, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
                clicked && clicked->Enabled() && clicked->OnClick)
                clicked->OnClick();
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                const Control* target = container;
                if (HWND(wParam) != window) {
                    if (Control* child = ControlOfWindow(HWND(wParam)))
                        target = child;
                } else {
                    POINT point;
                    GetCursorPos(&point);
                    ScreenToClient(window, &point);
                    if (Control* child = WindowlessAt(*container, point))
                        target = child;
                }
                Application::Instance().HintMouseMove(target);
                // The system's own cursors; a missing one (no hand, say) shows the arrow.
                HCURSOR shown = LoadCursorW(nullptr, CursorOf(target));
                SetCursor(shown ? shown : LoadCursorW(nullptr, IDC_ARROW));
                return TRUE;
            }
            break;
        case WM_COMMAND:
            if (lParam) {
                if (Control* child = ControlOfWindow(HWND(lParam)); child && child != container)
                    child->Command(HIWORD(wParam));
                return 0;
            }
            if (form && LOWORD(wParam) == IDOK && form->defaultButton && form->defaultButton->OnClick)
                form->defaultButton->OnClick();
            // Esc acts only where a form has a cancel button.
            if (form && LOWORD(wParam) == IDCANCEL && form->cancelButton && form->cancelButton->OnClick)
                form->cancelButton->OnClick();
            return 0;
        case WM_HSCROLL:
            if (Control* child = lParam ? ControlOfWindow(HWND(lParam)) : nullptr)
                child->Scroll();
            return 0;
        case WM_DRAWITEM: {
            const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (Control* child = ControlOfWindow(draw->hwndItem)) {
                child->DrawItem(*draw);
                return TRUE;
            }
            break;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT: {
            Control* child = ControlOfWindow(HWND(lParam));
            Control& shown = child ? *child : *container;
            SetBkColor(HDC(wParam), shown.BackgroundColour());
            return LRESULT(shown.BackgroundBrush());
        }
        case WM_CLOSE:
            if (form) {
                if (!Application::Instance().DeferClose(*form))
                    form->Close();
                return 0;
            }
            break;
        case WM_DPICHANGED:
            if (form) {
                const auto* suggested = reinterpret_cast<const RECT*>(lParam);
                SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                             suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
                form->LayoutHandles();
                InvalidateRect(window, nullptr, TRUE);
                return 0;
            }
            break;
        case WM_SETTINGCHANGE:
            // Only the window's font follows; what the program did with it once stays done.
            if (form && form->followsDesktopFont &&
                (wParam == SPI_SETICONTITLELOGFONT || wParam == SPI_SETNONCLIENTMETRICS))
                form->TakeDesktopFont();
            break;
        case WM_THEMECHANGED:
            if (form && form->followsDesktopFont)
                form->TakeDesktopFont();
            break;
        case WM_ACTIVATE:
            if (form && LOWORD(wParam) == WA_INACTIVE) {
                form->RememberFocus();
            } else if (form && !HIWORD(wParam) && form->RestoreFocus()) {
                return 0; // not the form's own window, as DefWindowProc would
            }
            break;
        case WM_SETFOCUS:
            if (form && form->RestoreFocus())
                return 0;
            break;
        case WM_CANCELMODE: // sent by EnableWindow before it takes the focus away
            if (form)
                form->RememberFocus();
            break;
        case WM_ENABLE:
            if (form && wParam && GetActiveWindow() == window) {
                form->RestoreFocus();
            } else if (form && !wParam && form->RememberFocus()) {
                // A disabled form's controls take no keys. Windows takes the focus from them;
                // Wine only from the disabled window itself.
                SetFocus(nullptr);
            }
            break;
        case WM_SHOWWINDOW:
            if (form && !wParam)
                form->RememberFocus();
            break;
        case WM_DESTROY:
            // Destroyed from outside, with an owner window, say: the controls let go of
            // their windows, which are all going now.
            container->ForgetHandles();
            break;
        }
    } catch (...) {
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace ui
