#include "ui/controls.h"

#include <commctrl.h>

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "ui/form.h"
#include "ui/late_bound.h"
#include "ui/text.h"

namespace ui {
namespace {

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

// Every control that exists, so that a window naming a destroyed one is recognised without
// touching it. Never destroyed: controls of static objects may outlive any other static.
std::unordered_set<const Control*>& LiveControls()
{
    static auto& live = *new std::unordered_set<const Control*>;
    return live;
}

unsigned long deadControlMessages = 0;

int SystemDpi()
{
    const ScopedWindowDc screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}

// Windows 10's per-window DPI where the system has it, the system DPI elsewhere.
int WindowDpi(HWND window)
{
    if (window) {
        if (const UINT dpi = LateBound::GetDpiForWindow(window))
            return int(dpi);
    }
    return SystemDpi();
}

// Resource names are numbers (MAKEINTRESOURCE) or texts, which Windows compares ignoring case.
bool SameResourceName(const wchar_t* a, const wchar_t* b)
{
    if (IS_INTRESOURCE(a) || IS_INTRESOURCE(b))
        return a == b;
    return SameText(a, b);
}

HWND CreateChild(Control& control, DWORD exStyle, const wchar_t* windowClass, const std::wstring& text, DWORD style,
                 HWND parentWindow, void* createParams = nullptr)
{
    const RECT rect = control.PixelRect();
    style |= WS_CHILD | (control.Visible() ? WS_VISIBLE : 0) | (control.Enabled() ? 0 : WS_DISABLED);
    return CreateWindowExW(exStyle, windowClass, text.c_str(), style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, parentWindow, nullptr, Instance(), createParams);
}

} // namespace

Control::Control(Component* ownerComponent, std::wstring controlName, Control* parentControl)
    : Component(ownerComponent, std::move(controlName)),
      parent(parentControl ? parentControl : dynamic_cast<Control*>(ownerComponent))
{
    LiveControls().insert(this);
    if (parent)
        parent->controls.push_back(this);
}

Control::~Control()
{
    // The windows go while the whole tree is still linked, whichever of a parent and its
    // children is destroyed first.
    DestroyHandles();
    LiveControls().erase(this);
    if (parent) {
        std::erase(parent->controls, this);
        if (parent->hoveredChild == this)
            parent->hoveredChild = nullptr;
        if (Form* form = ParentForm())
            form->Forget(*this);
    }
    for (Control* child : controls)
        child->parent = nullptr;
}

Form* Control::ParentForm()
{
    Control* control = this;
    while (control->parent)
        control = control->parent;
    return dynamic_cast<Form*>(control);
}

const Font& Control::ShownFont() const
{
    return parentFont && parent ? parent->ShownFont() : font;
}

int Control::Dpi() const
{
    const Control* top = this;
    while (top->parent)
        top = top->parent;
    return WindowDpi(top->handle);
}

HWND Control::ShowingWindow() const
{
    for (const Control* control = this; control; control = control->parent) {
        if (control->handle)
            return control->handle;
    }
    return nullptr;
}

RECT Control::PixelRect() const
{
    const int dpi = Dpi();
    const int left = Scale(bounds.left, dpi);
    const int top = Scale(bounds.top, dpi);
    return RECT{left, top, left + Scale(bounds.width, dpi), top + Scale(bounds.height, dpi)};
}

COLORREF Control::BackgroundColour() const
{
    for (const Control* control = this; control; control = control->parent) {
        if (control->colour)
            return *control->colour;
    }
    return GetSysColor(COLOR_BTNFACE);
}

HBRUSH Control::BackgroundBrush()
{
    for (Control* control = this; control; control = control->parent) {
        if (!control->colour)
            continue;
        if (!control->brush || control->brushColour != *control->colour) {
            control->brush = ScopedBrush(CreateSolidBrush(*control->colour));
            control->brushColour = *control->colour;
        }
        return control->brush.Get();
    }
    return GetSysColorBrush(COLOR_BTNFACE);
}

HFONT Control::FontHandle()
{
    const int dpi = Dpi();
    if (!shownFont.Shows(ShownFont(), dpi))
        shownFont = SharedFont::For(ShownFont(), dpi);
    return shownFont.Handle();
}

void Control::SetWindowFont(bool redraw)
{
    // The window holds the font it was given without owning it: the one it had is kept until
    // the window has the new one.
    const SharedFont previous = shownFont;
    SendMessageW(handle, WM_SETFONT, WPARAM(FontHandle()), redraw);
}

void Control::SetVisible(bool show)
{
    if (visible == show)
        return;
    visible = show;
    if (handle && !dynamic_cast<Form*>(this))
        ShowWindow(handle, show ? SW_SHOWNA : SW_HIDE);
    else if (!handle)
        Refresh();
}

void Control::SetEnabled(bool enable)
{
    enabled = enable;
    if (handle)
        EnableWindow(handle, enable);
    else
        Refresh();
}

void Control::Refresh()
{
    if (handle) {
        SetWindowFont(true);
        InvalidateRect(handle, nullptr, TRUE);
        for (Control* child : controls)
            child->Refresh();
        return;
    }
    if (const HWND window = ShowingWindow()) {
        const RECT rect = PixelRect();
        InvalidateRect(window, &rect, TRUE);
    }
}

void Control::CreateHandles(HWND parentWindow)
{
    if (IsWindowed() && !handle) {
        handle = CreateHandle(parentWindow);
        if (handle) {
            if (!GetWindowLongPtrW(handle, GWLP_USERDATA))
                SetWindowLongPtrW(handle, GWLP_USERDATA, LONG_PTR(this));
            SetWindowFont(false);
            HandleCreated();
        }
    }
    for (Control* child : controls)
        child->CreateHandles(handle ? handle : parentWindow);
}

void Control::DestroyHandles()
{
    if (!handle) {
        for (Control* child : controls)
            child->DestroyHandles();
        return;
    }
    // Detached first, so that no message of the destruction reaches a control; destroying
    // the window takes the windows of the children along.
    const HWND window = handle;
    ForgetHandles();
    DestroyWindow(window);
}

void Control::ForgetHandles()
{
    if (handle) {
        SetWindowLongPtrW(handle, GWLP_USERDATA, 0);
        handle = nullptr;
    }
    hoveredChild = nullptr;
    for (Control* child : controls)
        child->ForgetHandles();
}

void Control::SetHoveredChild(Control* child)
{
    if (hoveredChild == child)
        return;
    Control* left = std::exchange(hoveredChild, child);
    if (left && left->OnMouseLeave)
        left->OnMouseLeave();
    if (child && child->OnMouseEnter)
        child->OnMouseEnter();
    if (child && handle) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, handle, 0};
        TrackMouseEvent(&track);
    }
}

void Control::LayoutHandles()
{
    if (handle && !dynamic_cast<Form*>(this)) {
        const RECT rect = PixelRect();
        SetWindowPos(handle, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (handle)
        SetWindowFont(true);
    for (Control* child : controls)
        child->LayoutHandles();
}

void TextControl::SetText(const std::wstring& newText)
{
    standingText = newText;
    if (Handle())
        SetWindowTextW(Handle(), standingText.c_str());
    else
        Refresh();
}

void TextControl::HandleCreated()
{
    SetWindowTextW(Handle(), standingText.c_str());
}

void Label::Paint(HDC dc, const RECT& rect)
{
    const Font& shown = ShownFont();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, !Enabled() ? GetSysColor(COLOR_GRAYTEXT)
                     : shown.colour == CLR_DEFAULT ? GetSysColor(COLOR_WINDOWTEXT)
                                                   : shown.colour);
    const ScopedSelection selected(dc, FontHandle());
    UINT format = align == Align::Right ? DT_RIGHT : align == Align::Centre ? DT_CENTER : DT_LEFT;
    format |= wordWrap ? DT_WORDBREAK : DT_SINGLELINE;
    if (centreVertically && !wordWrap)
        format |= DT_VCENTER;
    RECT textRect = rect;
    DrawTextW(dc, Text().c_str(), int(Text().size()), &textRect, format);
}

HWND Panel::CreateHandle(HWND parentWindow)
{
    static const bool registered = [] {
        WNDCLASSEXW windowClass{sizeof(windowClass)};
        windowClass.lpfnWndProc = &Form::WindowProc;
        windowClass.hInstance = Instance();
        windowClass.lpszClassName = L"TMKPanel";
        return RegisterClassExW(&windowClass) != 0;
    }();
    if (!registered)
        return nullptr;
    return CreateChild(*this, WS_EX_CONTROLPARENT, L"TMKPanel", Text(), WS_CLIPCHILDREN, parentWindow, this);
}

HWND Button::CreateHandle(HWND parentWindow)
{
    return CreateChild(*this, 0, L"BUTTON", Text(), WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                       parentWindow);
}

void Button::HandleCreated()
{
    TextControl::HandleCreated();
    if (shield)
        SendMessageW(Handle(), BCM_SETSHIELD, 0, TRUE);
}

void Button::Command(WORD code)
{
    if (code == BN_CLICKED && OnClick)
        OnClick();
}

HWND Edit::CreateHandle(HWND parentWindow)
{
    return CreateChild(*this, WS_EX_CLIENTEDGE, L"EDIT", Text(), WS_TABSTOP | ES_AUTOHSCROLL, parentWindow);
}

HWND Memo::CreateHandle(HWND parentWindow)
{
    return CreateChild(*this, 0, L"EDIT", Text(), WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                       parentWindow);
}

void Picture::SetResource(const wchar_t* resourceName)
{
    resource = resourceName;
    loaded = false;
    bitmap.Reset();
    Refresh();
}

void Picture::Load()
{
    loaded = true;
    bitmap = ScopedBitmap(
        static_cast<HBITMAP>(LoadImageW(Instance(), resource.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    DIBSECTION section{};
    if (bitmap && GetObjectW(bitmap.Get(), sizeof(section), &section) == sizeof(section) &&
        section.dsBm.bmBitsPixel == 32) {
        // AlphaBlend wants each colour already multiplied by its alpha.
        auto* pixel = static_cast<BYTE*>(section.dsBm.bmBits);
        for (LONG i = 0; i < section.dsBm.bmWidth * std::abs(section.dsBm.bmHeight); ++i, pixel += 4) {
            for (int c = 0; c < 3; ++c)
                pixel[c] = BYTE(pixel[c] * pixel[3] / 255);
        }
    }
}

void Picture::Paint(HDC dc, const RECT& rect)
{
    if (!loaded && !resource.empty())
        Load();
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap.Get(), sizeof(info), &info))
        return;
    const ScopedMemoryDc source(dc);
    if (!source)
        return;
    const ScopedSelection selected(source.Get(), bitmap.Get());
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (info.bmBitsPixel == 32) {
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, rect.left, rect.top, width, height, source.Get(), 0, 0, info.bmWidth, info.bmHeight, blend);
    } else {
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, rect.left, rect.top, width, height, source.Get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    }
}

void Bevel::Paint(HDC dc, const RECT& rect)
{
    RECT edge = rect;
    DrawEdge(dc, &edge, EDGE_ETCHED, vertical ? BF_LEFT : BF_TOP);
}

HWND ProgressBar::CreateHandle(HWND parentWindow)
{
    const HWND window = CreateChild(*this, 0, PROGRESS_CLASSW, L"", PBS_SMOOTH, parentWindow);
    SendMessageW(window, PBM_SETRANGE32, 0, 100);
    SendMessageW(window, PBM_SETPOS, WPARAM(position), 0);
    return window;
}

void ProgressBar::SetPosition(int newPosition)
{
    position = std::clamp(newPosition, 0, 100);
    if (Handle())
        SendMessageW(Handle(), PBM_SETPOS, WPARAM(position), 0);
}

HWND TrackBar::CreateHandle(HWND parentWindow)
{
    const HWND window =
        CreateChild(*this, 0, TRACKBAR_CLASSW, L"", WS_TABSTOP | TBS_BOTH | TBS_AUTOTICKS | TBS_FIXEDLENGTH, parentWindow);
    SendMessageW(window, TBM_SETRANGE, FALSE, MAKELPARAM(minimum, maximum));
    SendMessageW(window, TBM_SETPAGESIZE, 0, 1);
    SendMessageW(window, TBM_SETTHUMBLENGTH, WPARAM(Scale(thumbLength, Dpi())), 0);
    SendMessageW(window, TBM_SETPOS, TRUE, position);
    return window;
}

void TrackBar::SetPosition(int newPosition)
{
    position = std::clamp(newPosition, minimum, maximum);
    if (Handle())
        SendMessageW(Handle(), TBM_SETPOS, TRUE, position);
}

void TrackBar::Scroll()
{
    const int now = int(SendMessageW(Handle(), TBM_GETPOS, 0, 0));
    if (now == position)
        return;
    position = now;
    if (OnChange)
        OnChange();
}

HWND ComboBoxEx::CreateHandle(HWND parentWindow)
{
    // The height of a drop-down list is the height of its open list.
    const Bounds shown = bounds;
    bounds.height += 200;
    const HWND window = CreateChild(*this, 0, L"COMBOBOX", L"",
                                    WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
                                    parentWindow);
    bounds = shown;
    return window;
}

ComboBoxEx::~ComboBoxEx()
{
    DestroyHandles(); // the window shows the image list, which goes with this object
}

void ComboBoxEx::HandleCreated()
{
    const int dpi = Dpi();
    const int size = Scale(16, dpi);
    images = ScopedImageList(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, int(items.size()), 0));
    // Each icon is loaded once; items that name the same icon show the same image.
    std::vector<std::pair<const wchar_t*, int>> loaded;
    for (const Item& entry : items) {
        const auto same = std::find_if(loaded.begin(), loaded.end(),
                                       [&](const auto& known) { return SameResourceName(known.first, entry.icon); });
        int image = -1;
        if (same != loaded.end()) {
            image = same->second;
        } else if (entry.icon) {
            if (const auto made = static_cast<HICON>(LoadImageW(Instance(), entry.icon, IMAGE_ICON, size, size, 0))) {
                image = images ? ImageList_AddIcon(images.Get(), made) : -1;
                DestroyIcon(made);
            }
            loaded.emplace_back(entry.icon, image);
        }
        const LRESULT index = SendMessageW(Handle(), CB_ADDSTRING, 0, LPARAM(entry.text.c_str()));
        SendMessageW(Handle(), CB_SETITEMDATA, WPARAM(index), LPARAM(image));
    }
    // Room for the icon or a line of the font, whichever is taller, in the box and the list.
    TEXTMETRICW metrics{};
    {
        const ScopedWindowDc screen(Handle());
        const ScopedSelection selected(screen.Get(), FontHandle());
        GetTextMetricsW(screen.Get(), &metrics);
    }
    const int height = std::max(size, int(metrics.tmHeight)) + Scale(2, dpi);
    SendMessageW(Handle(), CB_SETITEMHEIGHT, WPARAM(-1), height);
    SendMessageW(Handle(), CB_SETITEMHEIGHT, 0, height);
    SendMessageW(Handle(), CB_SETCURSEL, WPARAM(itemIndex), 0);
}

int ComboBoxEx::ImageOf(int item) const
{
    if (!Handle())
        return -1;
    const LRESULT image = SendMessageW(Handle(), CB_GETITEMDATA, WPARAM(item), 0);
    return image == CB_ERR ? -1 : int(image);
}

void ComboBoxEx::DrawItem(const DRAWITEMSTRUCT& draw)
{
    if (draw.itemID == UINT(-1))
        return; // nothing chosen: the box stays empty
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    const bool disabled = (draw.itemState & ODS_DISABLED) != 0;
    FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));

    const int dpi = Dpi();
    const int size = Scale(16, dpi);
    RECT rect = draw.rcItem;
    rect.left += Scale(2, dpi);
    const int image = int(draw.itemData);
    if (images && image >= 0)
        ImageList_Draw(images.Get(), image, draw.hDC, rect.left, (rect.top + rect.bottom - size) / 2,
                       ILD_TRANSPARENT | (selected ? ILD_SELECTED : ILD_NORMAL));
    rect.left += size + Scale(4, dpi);

    const size_t item = size_t(draw.itemID);
    const std::wstring& text = item < items.size() ? items[item].text : std::wstring();
    const ScopedSelection itemFont(draw.hDC, FontHandle());
    SetBkMode(draw.hDC, TRANSPARENT);
    SetTextColor(draw.hDC, GetSysColor(disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawTextW(draw.hDC, text.c_str(), int(text.size()), &rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if ((draw.itemState & ODS_FOCUS) && !(draw.itemState & ODS_NOFOCUSRECT))
        DrawFocusRect(draw.hDC, &draw.rcItem);
}

int ComboBoxEx::ItemIndex() const
{
    return Handle() ? int(SendMessageW(Handle(), CB_GETCURSEL, 0, 0)) : itemIndex;
}

void ComboBoxEx::SetItemIndex(int index)
{
    itemIndex = index;
    if (Handle())
        SendMessageW(Handle(), CB_SETCURSEL, WPARAM(index), 0);
}

Control* ControlOfWindow(HWND window)
{
    auto* control = reinterpret_cast<Control*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (control && !LiveControls().contains(control)) {
        ++deadControlMessages;
        return nullptr;
    }
    return control;
}

unsigned long MessagesForDeadControls() { return deadControlMessages; }

void PopupMenu::PopupRightAligned(HWND ownerWindow, int x, int y)
{
    const HMENU menu = CreatePopupMenu();
    for (size_t i = 0; i < items.size(); ++i)
        AppendMenuW(menu, items[i]->separator ? MF_SEPARATOR : MF_STRING, i + 1, items[i]->Text().c_str());
    const UINT chosen = UINT(TrackPopupMenuEx(
        menu, TPM_RIGHTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_VERPOSANIMATION, x, y, ownerWindow,
        nullptr));
    DestroyMenu(menu);
    if (chosen >= 1 && chosen <= items.size() && items[chosen - 1]->OnClick)
        items[chosen - 1]->OnClick();
}

} // namespace ui
