#include "ui/application.h"

#include <commctrl.h>

#include "ui/form.h"

#include <algorithm>

namespace ui {

Application& Application::Instance()
{
    static Application application;
    return application;
}

Application::Application()
{
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES |
                                                        ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

bool Application::HandleMessage(MSG& message)
{
    if (message.message == WM_QUIT) {
        terminated = true;
        return false;
    }
    if (message.message == WM_KEYDOWN && OnShortCut) {
        try {
            OnShortCut(message.wParam); // the key still goes on to its window
        } catch (...) {
            // A failing handler ends its own work only.
        }
    }
    // Tab, arrow keys, Enter, Esc and accelerators move between the controls of a form.
    const HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && IsDialogMessageW(root, &message))
        return true;
    TranslateMessage(&message);
    DispatchMessageW(&message);
    return true;
}

void Application::ProcessMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        // WM_QUIT: the quit flag is set, and every loop ends at it. The message is not put
        // back: a message box the running handler still shows must not end at it.
        if (!HandleMessage(message))
            return;
    }
}

void Application::Run(Form& form)
{
    mainForm = &form;
    MSG message;
    while (!terminated && GetMessageW(&message, nullptr, 0, 0) > 0)
        HandleMessage(message);
    terminated = true;
}

Application::CloseDeferral::CloseDeferral() { ++Instance().closeDeferrals; }

Application::CloseDeferral::~CloseDeferral()
{
    Application& application = Instance();
    if (--application.closeDeferrals > 0)
        return;
    // In the order they were asked for.
    while (!application.deferredCloses.empty()) {
        Form* form = application.deferredCloses.front();
        application.deferredCloses.erase(application.deferredCloses.begin());
        try {
            form->Close();
        } catch (...) {
            // The other windows still close.
        }
    }
}

bool Application::DeferClose(Form& form)
{
    if (closeDeferrals == 0)
        return false;
    if (std::find(deferredCloses.begin(), deferredCloses.end(), &form) == deferredCloses.end())
        deferredCloses.push_back(&form);
    return true;
}

void Application::ForgetDeferredClose(const Form& form)
{
    std::erase(deferredCloses, &form);
}

int Application::MessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags)
{
    if (!messageBox)
        return ::MessageBoxW(owner, text.c_str(), title.c_str(), flags);
    return messageBox(owner, text, title, flags);
}

void Application::HintMouseMove(const Control* control)
{
    const std::wstring text = control ? control->hint : std::wstring();
    if (text == hint)
        return;
    CancelHint();
    hint = text;
    if (OnHint)
        OnHint();
    if (hint.empty())
        return;
    // Moving on from a hint just shown brings the next one sooner.
    const bool recent = GetTickCount() - hintHiddenAt < DWORD(hintHidePause);
    hintTimer = SetTimer(nullptr, hintTimer, UINT(recent ? hintShortPause : hintPause), &Application::HintTimer);
}

void CALLBACK Application::HintTimer(HWND, UINT, UINT_PTR, DWORD)
{
    Application& application = Instance();
    if (application.hintShown)
        application.CancelHint(); // shown long enough
    else
        application.ShowHint();
}

void Application::ShowHint()
{
    if (!hintWindow || hint.empty())
        return;
    POINT cursor;
    GetCursorPos(&cursor);
    MONITORINFO monitor{sizeof(monitor)};
    GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT rect = hintWindow->CalcHintRect(monitor.rcMonitor.right - monitor.rcMonitor.left, hint);
    // Below the pointer, as Windows places tooltips.
    OffsetRect(&rect, cursor.x, cursor.y + GetSystemMetrics(SM_CYCURSOR) * 2 / 3);
    hintWindow->ActivateHint(rect, hint);
    hintShown = true;
    hintTimer = SetTimer(nullptr, hintTimer, UINT(hintHidePause), &Application::HintTimer);
}

void Application::CancelHint()
{
    if (hintTimer) {
        KillTimer(nullptr, hintTimer);
        hintTimer = 0;
    }
    if (hintShown)
        hintHiddenAt = GetTickCount();
    hintShown = false;
    if (hideHint)
        hideHint();
    else if (hintWindow)
        hintWindow->ReleaseHandle();
}

} // namespace ui
