#pragma once

#include <functional>

#include "ui/controls.h"

namespace ui {

// A top-level window. Its Win32 window class is "T" + its name, by which other processes
// find it. It is created once, hidden, and then shown and hidden as often as needed.
class Form : public TextControl {
public:
    explicit Form(std::wstring formName);
    ~Form() override;

    enum class Placement { ScreenCentre, OwnerCentre };

    int clientWidth = 0, clientHeight = 0; // 96-DPI units
    bool minimizeBox = false;
    bool systemMenu = true;
    Placement placement = Placement::ScreenCentre;
    Form* owner = nullptr;        // for centring and modal display
    Button* defaultButton = nullptr;
    Button* cancelButton = nullptr;
    Control* activeControl = nullptr; // gets the keyboard focus when the form is first shown

    std::function<void()> OnShow;
    std::function<void()> OnClose;

    bool IsWindowed() const override { return true; }

    // Creates the window and every control's window, hidden.
    void Create();
    void Show();
    void Hide();
    void Close(); // runs OnClose, then hides
    // Shows the window modally over its owner and returns its modal result (IDOK, IDCANCEL).
    int ShowModal();
    void SetModalResult(int result) { modalResult = result; }
    bool IsShown() const;

    // Switches the form to the desktop's icon-title font, as Windows sets it, and again
    // whenever the user changes that font.
    void UseDesktopFont();

    // For the toolkit: a control of the form is going, with the controls on it; the form
    // stops naming them.
    void Forget(const Control& control);
    // For the toolkit: the form's window procedure for itself and its panels.
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    HWND CreateHandle(HWND parentWindow) override;

private:
    void PlaceWindow();
    void TakeDesktopFont();
    bool RememberFocus(); // false: the focus is not in the form
    bool RestoreFocus();
    int modalResult = 0;
    bool inModal = false;
    bool followsDesktopFont = false;
    bool shownBefore = false;
    // The window in the form that had the keyboard focus when the form last lost it: a
    // window, not a control, since the focus may sit in a window inside one (the inner box
    // of a combo box).
    HWND focusedWindow = nullptr;
};

} // namespace ui
