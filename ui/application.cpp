#include "ui/application.h"

#include <commctrl.h>

#include "ui/form.h"

namespace ui {

Application& Application::Instance()
{
    static Application application;
    return application;
}

Application::Application()
{
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_USEREX_CLASSES |
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
        if (!HandleMessage(message)) {
            PostQuitMessage(int(message.wParam)); // leave it for the main loop
            return;
        }
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

int Application::MessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags)
{
    if (!messageBox)
        return ::MessageBoxW(owner, text.c_str(), title.c_str(), flags);
    return messageBox(owner, text, title, flags);
}

} // namespace ui
