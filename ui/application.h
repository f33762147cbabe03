#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ui {

class Control;
class Form;

// What shows the application's hints. The application decides when a hint appears and
// disappears; the hint window decides how it looks.
class HintWindow {
public:
    virtual ~HintWindow() = default;
    // Shows the hint with its top-left corner at the rectangle's.
    virtual void ActivateHint(const RECT& rect, const std::wstring& hint) = 0;
    // The size the hint needs, as a rectangle from (0, 0).
    virtual RECT CalcHintRect(int maxWidth, const std::wstring& hint) = 0;
    // Hides what is shown.
    virtual void ReleaseHandle() = 0;
};

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
    // Lets the loops run again after a quit: for a test that begins a new run in the process.
    void ResetTerminated() { terminated = false; }
    bool Terminated() const { return terminated; }
    Form* MainForm() const { return mainForm; }
    void SetMainForm(Form* form) { mainForm = form; }

    // While a deferral lives, a window that is asked to close (WM_CLOSE) closes only when
    // the last one ends, so that work in progress is never cut short from outside.
    class CloseDeferral {
    public:
        CloseDeferral();
        ~CloseDeferral();
        CloseDeferral(const CloseDeferral&) = delete;
        CloseDeferral& operator=(const CloseDeferral&) = delete;
    };
    // For the toolkit: true when the form's close waits for the end of a deferral.
    bool DeferClose(Form& form);
    // For the toolkit: the form goes; nothing closes it later.
    void ForgetDeferredClose(const Form& form);

    // Called with the virtual key of every key press in the program's windows.
    std::function<void(WPARAM key)> OnShortCut;

    // Shows a message box, through the handler when one is set (MessageBoxW otherwise).
    using MessageBoxHandler =
        std::function<int(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags)>;
    int MessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags);
    void SetMessageBoxHandler(MessageBoxHandler handler) { messageBox = std::move(handler); }

    // For the toolkit: handles one message; false when it was WM_QUIT.
    bool HandleMessage(MSG& message);

    // Hints: the text a control's `hint` gives while the mouse rests on it.
    int hintPause = 500;       // before a hint appears
    int hintShortPause = 100;  // before the next one, when a hint was just shown
    int hintHidePause = 2500;  // how long a hint stays
    HintWindow* hintWindow = nullptr;
    // Called whenever the current hint text changes.
    std::function<void()> OnHint;
    // Hides the current hint; the hint window's ReleaseHandle unless replaced.
    std::function<void()> hideHint;
    const std::wstring& Hint() const { return hint; }
    // For the toolkit: the mouse is over this control (null: over none with a hint).
    void HintMouseMove(const Control* control);
    void CancelHint();

private:
    Application();
    static void CALLBACK HintTimer(HWND, UINT, UINT_PTR, DWORD);
    void ShowHint();
    bool terminated = false;
    std::wstring hint;
    UINT_PTR hintTimer = 0;
    bool hintShown = false;
    DWORD hintHiddenAt = 0;
    Form* mainForm = nullptr;
    MessageBoxHandler messageBox;
    int closeDeferrals = 0;
    std::vector<Form*> deferredCloses;
};

} // namespace ui
