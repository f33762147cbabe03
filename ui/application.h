#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ui {

class Form;

// The program's one message loop and what belongs to the whole application: the quit flag,
// the key handler that sees every key press before the windows do, and the one road to
// message boxes, which tests take over to answer them.
class Application {
public:
    static Application& Instance();

    // Runs the message loop until the main form closes or Terminate is called.
    void Run(Form& mainForm);
    // Handles every message waiting in the queue, then returns.
    void ProcessMessages();
    void Terminate() { terminated = true; }
    bool Terminated() const { return terminated; }
    Form* MainForm() const { return mainForm; }
    void SetMainForm(Form* form) { mainForm = form; }

    // Called with the virtual key of every key press in the program's windows.
    std::function<void(WPARAM key)> OnShortCut;

    // Shows a message box, through the handler when one is set (MessageBoxW otherwise).
    using MessageBoxHandler =
        std::function<int(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags)>;
    int MessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags);
    void SetMessageBoxHandler(MessageBoxHandler handler) { messageBox = std::move(handler); }

    // For the toolkit: handles one message; false when it was WM_QUIT.
    bool HandleMessage(MSG& message);

private:
    Application();
    bool terminated = false;
    Form* mainForm = nullptr;
    MessageBoxHandler messageBox;
};

} // namespace ui
