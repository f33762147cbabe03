#include "tests/support/driver.h"

namespace Driver {
namespace {

struct TextSearch {
    const std::wstring& text;
    HWND found = nullptr;
};

BOOL CALLBACK MatchText(HWND child, LPARAM data)
{
    auto& search = *reinterpret_cast<TextSearch*>(data);
    wchar_t buffer[256];
    GetWindowTextW(child, buffer, 256);
    if (search.text != buffer)
        return TRUE;
    search.found = child;
    return FALSE;
}

} // namespace

HWND WaitFor(const std::function<HWND()>& find, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    do {
        if (const HWND window = find())
            return window;
        Sleep(50);
    } while (GetTickCount64() < end);
    return nullptr;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds)
{
    return WaitFor([&condition] { return condition() ? HWND(1) : nullptr; }, milliseconds) != nullptr;
}

HWND ChildWithText(HWND parent, const std::wstring& text)
{
    TextSearch search{text};
    EnumChildWindows(parent, MatchText, LPARAM(&search));
    return search.found;
}

HWND MessageBoxOf(HWND owner, DWORD milliseconds)
{
    return WaitFor(
        [owner] {
            HWND dialog = nullptr;
            while ((dialog = FindWindowExW(nullptr, dialog, L"#32770", nullptr))) {
                if (GetWindow(dialog, GW_OWNER) == owner && IsWindowVisible(dialog))
                    return dialog;
            }
            return HWND(nullptr);
        },
        milliseconds);
}

std::wstring MessageText(HWND dialog)
{
    // The text of a message box is its one static control without an icon.
    constexpr int kMessageTextId = 0xFFFF;
    wchar_t text[2048] = L"";
    GetDlgItemTextW(dialog, kMessageTextId, text, 2048);
    return text;
}

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

bool Answer(HWND dialog, const std::wstring& button)
{
    const HWND pressed = ChildWithText(dialog, button);
    if (!pressed)
        return false;
    Click(pressed);
    return WaitUntil([dialog] { return !IsWindow(dialog); });
}

HWND ShownWindow(const wchar_t* className, DWORD milliseconds)
{
    return WaitFor(
        [className] {
            const HWND window = FindWindowW(className, nullptr);
            return window && IsWindowVisible(window) && IsWindowEnabled(window) ? window : nullptr;
        },
        milliseconds);
}

} // namespace Driver
