// The real Marlowick.exe as a process, driven from outside as a user would: windows found by
// class, buttons clicked, the real message boxes answered.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/program_key.h"
#include "optimizer/tweak_catalogue.h"
#include "tests/support/registry_helpers.h"

namespace {

std::wstring Beside(const wchar_t* fileName)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path(self);
    return path.substr(0, path.rfind(L'\\') + 1) + fileName;
}

// Waits up to 30 seconds for `find` to give a window.
HWND WaitFor(const std::function<HWND()>& find)
{
    for (int i = 0; i < 300; ++i) {
        if (const HWND window = find())
            return window;
        Sleep(100);
    }
    return nullptr;
}

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

HWND ChildWithText(HWND parent, const std::wstring& text)
{
    TextSearch search{text};
    EnumChildWindows(parent, MatchText, LPARAM(&search));
    return search.found;
}

// A message box the program shows: a dialog owned by `owner`.
HWND MessageBoxOf(HWND owner)
{
    return WaitFor([owner] {
        HWND dialog = nullptr;
        while ((dialog = FindWindowExW(nullptr, dialog, L"#32770", nullptr))) {
            if (GetWindow(dialog, GW_OWNER) == owner && IsWindowVisible(dialog))
                return dialog;
        }
        return HWND(nullptr);
    });
}

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

// Presses a message box's button and waits until the box is gone.
bool Answer(HWND dialog, const std::wstring& button)
{
    const HWND pressed = ChildWithText(dialog, button);
    if (!pressed)
        return false;
    Click(pressed);
    return WaitFor([dialog] { return IsWindow(dialog) ? nullptr : HWND(1); }) != nullptr;
}

// The main window once it is on the screen and ready for input.
HWND ShownMainWindow()
{
    return WaitFor([] {
        const HWND window = FindWindowW(L"TMKMainForm", nullptr);
        return window && IsWindowVisible(window) && IsWindowEnabled(window) ? window : nullptr;
    });
}

class Process {
public:
    explicit Process(const std::wstring& arguments = L"")
    {
        const std::wstring path = Beside(L"Marlowick.exe");
        std::wstring commandLine = L"\"" + path + L"\" " + arguments;
        STARTUPINFOW startup{sizeof(startup)};
        started = CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &info);
    }
    ~Process()
    {
        if (started && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info.hProcess, 1);
        if (started) {
            CloseHandle(info.hThread);
            CloseHandle(info.hProcess);
        }
    }
    // The exit code, or -1 when it did not end within 30 seconds.
    long Wait()
    {
        if (!started || WaitForSingleObject(info.hProcess, 30000) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(info.hProcess, &code);
        return long(code);
    }
    bool started = false;
    PROCESS_INFORMATION info{};
};

std::vector<TestRegistry::Snapshot::Place> TouchedValues()
{
    std::vector<TestRegistry::Snapshot::Place> places;
    for (const auto& t : TweakCatalogue::kTweaks) {
        places.push_back({t.root, std::wstring(t.keyPath), std::wstring(t.valueName)});
        places.push_back({ProgramKey::kRoot, ProgramKey::kPath, std::wstring(t.valueName)});
    }
    for (const wchar_t* name : {ProgramKey::kRestore, ProgramKey::kProcessorType, ProgramKey::kSpeedSetting})
        places.push_back({ProgramKey::kRoot, ProgramKey::kPath, name});
    return places;
}

TEST(MarlowickTest, ASecondStartBringsTheFirstWindowBackAndEnds)
{
    Process first;
    const HWND window = ShownMainWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));

    Process second;
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(GetForegroundWindow(), window);

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.Wait(), 0);
}

TEST(MarlowickTest, AUserOptimizesAndRestores)
{
#ifndef MARLOWICK_FAST_PROGRESS
    GTEST_SKIP() << "a release build paces its progress steps over most of an hour";
#endif
    TestRegistry::Snapshot snapshot(TouchedValues());
    for (const auto& place : snapshot.Places())
        TestRegistry::Delete(place.root, place.path, place.name);
    const auto& autoReboot = TweakCatalogue::kTweaks[15];
    TestRegistry::Write(autoReboot.root, std::wstring(autoReboot.keyPath), L"AutoReboot", TestRegistry::Dword(0));

    Process marlowick;
    const HWND window = ShownMainWindow();
    ASSERT_NE(window, nullptr);

    Click(ChildWithText(window, L"&Optimize now"));
    const HWND optimized = MessageBoxOf(window);
    ASSERT_NE(optimized, nullptr) << "no question after Optimize";
    ASSERT_TRUE(Answer(optimized, L"&No"));
    EXPECT_EQ(TestRegistry::Read(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kRestore), TestRegistry::Dword(1));
    EXPECT_EQ(TestRegistry::Read(autoReboot.root, std::wstring(autoReboot.keyPath), L"AutoReboot"), TestRegistry::Dword(1));

    const HWND restore = ChildWithText(window, L"&Restore");
    ASSERT_TRUE(IsWindowEnabled(restore));
    Click(restore);
    const HWND confirm = MessageBoxOf(window);
    ASSERT_NE(confirm, nullptr) << "no confirmation before Restore";
    ASSERT_TRUE(Answer(confirm, L"OK"));
    const HWND restored = MessageBoxOf(window);
    ASSERT_NE(restored, nullptr) << "no question after Restore";
    ASSERT_TRUE(Answer(restored, L"&No"));
    EXPECT_FALSE(IsWindowEnabled(restore));
    EXPECT_EQ(TestRegistry::Read(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kRestore), std::nullopt);
    EXPECT_EQ(TestRegistry::Read(autoReboot.root, std::wstring(autoReboot.keyPath), L"AutoReboot"), TestRegistry::Dword(0));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(marlowick.Wait(), 0);
}

} // namespace
