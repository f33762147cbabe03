#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/component.h"
#include "ui/fonts.h"
#include "ui/scoped_gdi.h"

namespace ui {

class Form;

// A place and size in 96-DPI units, relative to the parent control.
struct Bounds {
    int left = 0, top = 0, width = 0, height = 0;
};

// Pixels for 96-DPI units at a DPI.
inline int Scale(int units, int dpi) { return MulDiv(units, dpi, 96); }

// A visible part of a window. Windowed kinds (buttons, panels, bars) have a window of their
// own; windowless kinds (labels, pictures, lines) are painted by their parent's window and
// get their mouse events from it, so they can sit transparently on one another.
class Control : public Component {
public:
    // A control without a parent of its own sits on its owner, when the owner is a control.
    Control(Component* owner, std::wstring name, Control* parent = nullptr);
    ~Control() override;

    Control* Parent() const { return parent; }
    const std::vector<Control*>& Controls() const { return controls; }
    Form* ParentForm();

    Bounds bounds;
    Font font;
    bool parentFont = true;           // use the parent's font instead of `font`
    std::optional<COLORREF> colour;   // background; none: the parent shows through
    LPCWSTR cursor = nullptr;         // a standard cursor (IDC_*); none: the parent's
    std::wstring hint;

    std::function<void()> OnClick;
    std::function<void()> OnMouseEnter;
    std::function<void()> OnMouseLeave;

    bool Visible() const { return visible; }
    void SetVisible(bool show);
    bool Enabled() const { return enabled; }
    void SetEnabled(bool enable);
    // The font this control shows: its parent's when it follows the parent.
    const Font& ShownFont() const;
    // Call after changing `font`, `colour` or `bounds` of a control that is on screen.
    void Refresh();

    HWND Handle() const { return handle; }
    virtual bool IsWindowed() const { return false; }
    int Dpi() const;
    // The control's rectangle in pixels within the window that shows it.
    RECT PixelRect() const;
    // The colour that shows behind the control: its own, or that of the nearest ancestor
    // with one; the system's face colour when none has one.
    COLORREF BackgroundColour() const;
    // A brush of that colour, owned by the control whose colour it is.
    HBRUSH BackgroundBrush();

    // For the toolkit: windowless controls paint themselves into their parent's window.
    virtual void Paint(HDC, const RECT&) {}
    // For the toolkit: creates the windows of this control and its children.
    void CreateHandles(HWND parentWindow);
    // For the toolkit: lets go of the windows of this control and its children, which are
    // being destroyed, so that none of them reaches these controls any more.
    void ForgetHandles();
    // For the toolkit: the windowless child the mouse is over in this control's window.
    void SetHoveredChild(Control* child);
    // For the toolkit: places the windows of this control and its children for the DPI.
    void LayoutHandles();
    // For the toolkit: notifications of the control's own window.
    virtual void Command(WORD) {}
    virtual void Scroll() {}
    // For the toolkit: an owner-drawn part of the control's own window is to be drawn.
    virtual void DrawItem(const DRAWITEMSTRUCT&) {}

protected:
    // Windowed kinds create their window here, with the control in GWLP_USERDATA.
    virtual HWND CreateHandle(HWND) { return nullptr; }
    virtual void HandleCreated() {}
    // Destroys the windows of this control and its children. Every control does it before it
    // goes; a kind whose window uses what the kind owns does it first, in its own destructor.
    void DestroyHandles();
    // The font the control shows, made or shared for its DPI; for painting.
    HFONT FontHandle();
    // The window that shows this control: its own, or its nearest windowed ancestor's.
    HWND ShowingWindow() const;

private:
    Control* parent;
    std::vector<Control*> controls;
    bool visible = true;
    bool enabled = true;
    HWND handle = nullptr;
    Control* hoveredChild = nullptr;
    SharedFont shownFont;
    ScopedBrush brush;
    COLORREF brushColour = 0;
    // Gives the window the font it shows now.
    void SetWindowFont(bool redraw);
};

// A control that shows one standing text.
class TextControl : public Control, public Captioned {
public:
    using Control::Control;
    const std::wstring& Text() const override { return standingText; }
    void SetText(const std::wstring& newText) override;

protected:
    void HandleCreated() override;

private:
    std::wstring standingText;
};

class Label : public TextControl {
public:
    using TextControl::TextControl;
    enum class Align { Left, Centre, Right };
    Align align = Align::Left;
    bool wordWrap = false;
    bool centreVertically = false;
    void Paint(HDC dc, const RECT& rect) override;
};

// A control that holds other controls in a window of its own, painted in its colour.
class Panel : public TextControl {
public:
    using TextControl::TextControl;
    bool IsWindowed() const override { return true; }

protected:
    HWND CreateHandle(HWND parentWindow) override;
};

class Button : public TextControl {
public:
    using TextControl::TextControl;
    bool isDefault = false;
    bool shield = false; // shows the administrator shield
    bool IsWindowed() const override { return true; }
    void Command(WORD code) override;

protected:
    HWND CreateHandle(HWND parentWindow) override;
    void HandleCreated() override;
};

// A single-line edit box.
class Edit : public TextControl {
public:
    using TextControl::TextControl;
    bool IsWindowed() const override { return true; }

protected:
    HWND CreateHandle(HWND parentWindow) override;
};

// A read-only multi-line text box; setting its text replaces its whole content.
class Memo : public TextControl {
public:
    using TextControl::TextControl;
    bool IsWindowed() const override { return true; }

protected:
    HWND CreateHandle(HWND parentWindow) override;
};

// A bitmap from the program's resources, stretched to the control's bounds; its alpha
// channel lets what lies below show through.
class Picture : public Control {
public:
    using Control::Control;
    // Names the bitmap; it is loaded once, when the picture is first painted, so that a
    // window that is never shown loads none of its pictures.
    void SetResource(const wchar_t* resourceName);
    void Paint(HDC dc, const RECT& rect) override;

private:
    void Load();
    std::wstring resource;
    bool loaded = false;
    ScopedBitmap bitmap;
};

// An etched line along the top (horizontal) or the left (vertical) edge of its bounds.
class Bevel : public Control {
public:
    using Control::Control;
    bool vertical = false;
    void Paint(HDC dc, const RECT& rect) override;
};

class ProgressBar : public Control {
public:
    using Control::Control;
    bool IsWindowed() const override { return true; }
    int Position() const { return position; }
    void SetPosition(int newPosition);

protected:
    HWND CreateHandle(HWND parentWindow) override;

private:
    int position = 0;
};

class TrackBar : public Control {
public:
    using Control::Control;
    int minimum = 0, maximum = 10, thumbLength = 20;
    std::function<void()> OnChange;
    bool IsWindowed() const override { return true; }
    int Position() const { return position; }
    void SetPosition(int newPosition);
    void Scroll() override;

protected:
    HWND CreateHandle(HWND parentWindow) override;

private:
    int position = 0;
};

// A drop-down list whose items carry an icon from the program's resources. It is a plain
// list box that draws its own items, icon and text: under Wine it is made in well under
// half the time of the common controls' extended box, which is a good part of a start.
class ComboBoxEx : public Control {
public:
    using Control::Control;
    ~ComboBoxEx() override;
    struct Item {
        std::wstring text;
        const wchar_t* icon;
    };
    std::vector<Item> items;
    bool IsWindowed() const override { return true; }
    int ItemIndex() const;
    void SetItemIndex(int index);
    // The icons, one image for each distinct icon, and the image an item shows (-1: none).
    HIMAGELIST Images() const { return images.Get(); }
    int ImageOf(int item) const;
    void DrawItem(const DRAWITEMSTRUCT& draw) override;

protected:
    HWND CreateHandle(HWND parentWindow) override;
    void HandleCreated() override;

private:
    int itemIndex = -1;
    ScopedImageList images;
};

class MenuItem : public Component, public Captioned {
public:
    using Component::Component;
    bool separator = false;
    std::function<void()> OnClick;
    const std::wstring& Text() const override { return standingText; }
    void SetText(const std::wstring& newText) override { standingText = newText; }

private:
    std::wstring standingText;
};

// A menu of items, opened at a point of the screen.
class PopupMenu : public Component {
public:
    using Component::Component;
    std::vector<MenuItem*> items;
    // Opens the menu with its right edge at x and its top at y, and runs the chosen item.
    void PopupRightAligned(HWND owner, int x, int y);
};

// For the toolkit: the control a window of ours stands for; null when it stands for none. A
// window that still names a control which no longer exists is a fault of the toolkit: the
// lookup does not follow it, and counts it for tests.
Control* ControlOfWindow(HWND window);
// For tests: how often a window procedure was handed a control that no longer exists.
unsigned long MessagesForDeadControls();

} // namespace ui
