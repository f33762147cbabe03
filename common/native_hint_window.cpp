#include "common/native_hint_window.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace NativeHints {
namespace {

// The live native hint windows, in the order they were made.
std::vector<THintWindowFix*>& Registry()
{
    static std::vector<THintWindowFix*> registry;
    return registry;
}

HFONT HintFont()
{
    NONCLIENTMETRICSW metrics{sizeof(metrics)};
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        return nullptr;
    return CreateFontIndirectW(&metrics.lfStatusFont);
}

std::wstring Trimmed(const std::wstring& text)
{
    const auto blank = [](wchar_t c) { return c <= L' '; };
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::wstring(first, last) : std::wstring();
}

} // namespace

THintWindowFix::THintWindowFix()
{
    ui::Application& application = ui::Application::Instance();
    oldAppHintHandler = application.OnHint;
    application.OnHint = [this] { HintChanged(); };
    // The pauses follow the double-click time, as Windows' own tooltips do.
    const int doubleClick = int(GetDoubleClickTime());
    application.hintPause = doubleClick;
    application.hintShortPause = doubleClick / 5;
    application.hintHidePause = doubleClick * 10;
    Registry().push_back(this);
}

THintWindowFix::~THintWindowFix()
{
    std::erase(Registry(), this);
    ui::Application::Instance().OnHint = oldAppHintHandler;
    ReleaseHandle();
}

void THintWindowFix::HintChanged()
{
    const std::wstring& hint = ui::Application::Instance().Hint();
    if (Trimmed(hint.substr(0, hint.find(L'|'))).empty())
        ReleaseHandle();
}

void THintWindowFix::ReleaseHandle()
{
    if (tooltip && IsWindow(tooltip))
        DestroyWindow(tooltip);
    tooltip = nullptr;
}

void THintWindowFix::ActivateHint(const RECT& rect, const std::wstring& hint)
{
    if (tooltip && IsWindow(tooltip)) {
        if (hint == caption)
            return; // the same hint stays where it is
        DestroyWindow(tooltip);
    }
    caption = hint;
    tooltip = CreateTooltip(hint, rect.left, rect.top);
}

RECT THintWindowFix::CalcHintRect(int, const std::wstring& hint)
{
    RECT rect{0, 0, 0, 0};
    const HDC screen = GetDC(nullptr);
    if (!screen)
        return rect;
    const HFONT font = HintFont();
    const HGDIOBJ old = font ? SelectObject(screen, font) : nullptr;
    // Lines break at CR LF only.
    size_t start = 0;
    for (;;) {
        const size_t end = hint.find(L"\r\n", start);
        const std::wstring line = hint.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        SIZE size{0, 0};
        if (!GetTextExtentPoint32W(screen, line.c_str(), int(line.size()), &size))
            size = {0, 0};
        rect.right = std::max(rect.right, size.cx);
        rect.bottom += size.cy;
        if (end == std::wstring::npos)
            break;
        start = end + 2;
    }
    if (old)
        SelectObject(screen, old);
    if (font)
        DeleteObject(font);
    ReleaseDC(nullptr, screen);
    return rect;
}

HWND THintWindowFix::CreateTooltip(const std::wstring& hint, int x, int y)
{
    const HWND window = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    if (!window)
        return nullptr;
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    const POINT point{x, y};
    const HWND under = WindowFromPoint(point);

    RECT monitor;
    MONITORINFO info{sizeof(info)};
    if (const HMONITOR nearest = MonitorFromPoint(point, MONITOR_DEFAULTTONULL); nearest && GetMonitorInfoW(nearest, &info))
        monitor = info.rcMonitor;
    else
        GetWindowRect(GetDesktopWindow(), &monitor);
    const int monitorWidth = monitor.right - monitor.left;

    const RECT text = CalcHintRect(monitorWidth, hint);
    RECT frame{0, 0, 0, 0};
    SendMessageW(window, TTM_ADJUSTRECT, TRUE, LPARAM(&frame));
    const int width = text.right + 2 * (frame.right - frame.left);
    const int height = text.bottom + 2 * (frame.bottom - frame.top);

    // Keep the tip on the monitor: above the pointer when it would pass the bottom.
    if (y + height >= monitor.bottom) {
        POINT cursor;
        GetCursorPos(&cursor);
        y = cursor.y - height;
    }
    if (x + width >= monitor.right)
        x = monitor.right - width;
    x = std::max(x, int(monitor.left));
    y = std::max(y, int(monitor.top));

    SendMessageW(window, TTM_SETMAXTIPWIDTH, 0, monitorWidth);
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT;
    // Only a window of this process can be subclassed; another program's window under the
    // point (the desktop, say) is named without it.
    DWORD owner = 0;
    if (under && GetWindowThreadProcessId(under, &owner) && owner == GetCurrentProcessId())
        tool.uFlags |= TTF_SUBCLASS;
    tool.hwnd = under;
    tool.lpszText = const_cast<wchar_t*>(hint.c_str());
    SendMessageW(window, TTM_ADDTOOLW, 0, LPARAM(&tool));
    SendMessageW(window, TTM_TRACKPOSITION, 0, MAKELPARAM(x, y + 1));
    SendMessageW(window, TTM_TRACKACTIVATE, TRUE, LPARAM(&tool));
    return window;
}

void InstallNativeHintWindow()
{
    static std::unique_ptr<THintWindowFix> hintWindow;
    ui::Application& application = ui::Application::Instance();
    hintWindow = std::make_unique<THintWindowFix>();
    application.hintWindow = hintWindow.get();
    application.hideHint = [] {
        if (!Registry().empty())
            Registry().front()->ReleaseHandle();
    };
}

} // namespace NativeHints
