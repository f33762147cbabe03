#include <windows.h>

#include <cwchar>
#include <string>

// Stands in for a downloaded installer in the updater's tests. It logs how it was started
// and which of Marlowick's windows were still open then, and ends the way its environment
// asks:
//   MARLOWICK_TEST_INSTALLER          unset, "exit" or "exit N": exit code N (0 by default);
//                                     "crash": an access violation; "wait": ends with 0
//                                     once MARLOWICK_TEST_INSTALLER_RELEASE names a file
//                                     that exists
//   MARLOWICK_TEST_INSTALLER_LOG      the log, one UTF-8 line per run appended
//                                     (%TEMP%\MarlowickTestInstaller.log by default)
// A mode it does not know, or "wait" without a release file, ends with
// ERROR_INVALID_PARAMETER; a wait that is never released ends with WAIT_TIMEOUT after a
// minute, so that a test that forgot the release fails instead of hanging.

namespace {

constexpr const wchar_t* kWindowClasses[] = {L"TMKAboutForm", L"TMKSettingsForm", L"TMKMainForm"};
constexpr DWORD kPollMilliseconds = 50;
constexpr ULONGLONG kLongestWaitMilliseconds = 60000;

// An unset variable and an empty one are the same here.
std::wstring Environment(const wchar_t* name)
{
    std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
    if (value.empty())
        return {};
    value.resize(GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
    return value;
}

std::wstring LogPath()
{
    std::wstring path = Environment(L"MARLOWICK_TEST_INSTALLER_LOG");
    if (!path.empty())
        return path;
    path = Environment(L"TEMP");
    if (path.empty()) {
        wchar_t temp[MAX_PATH + 1];
        path.assign(temp, GetTempPathW(MAX_PATH + 1, temp));
    }
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    return path + L"MarlowickTestInstaller.log";
}

std::wstring OpenWindows()
{
    std::wstring list;
    for (const wchar_t* windowClass : kWindowClasses) {
        if (FindWindowW(windowClass, nullptr)) {
            list += list.empty() ? L"" : L",";
            list += windowClass;
        }
    }
    return L"windows=" + (list.empty() ? std::wstring(L"none") : list);
}

// One write to a file opened for appending only, so that lines of runs at the same time
// land whole, one after the other. Another program may briefly hold the log without
// sharing it (a test reading it), so a refused open is tried again for a little while.
void AppendLine(const std::wstring& path, const std::wstring& line)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), utf8.data(), size,
                        nullptr, nullptr);
    utf8 += '\n';

    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 40; ++attempt) {
        file = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION)
            break;
        Sleep(kPollMilliseconds);
    }
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
}

LONG WINAPI EndWithTheException(EXCEPTION_POINTERS*)
{
    return EXCEPTION_EXECUTE_HANDLER;
}

[[noreturn]] void Crash()
{
    // The fault is real and nothing in the program handles it; only its end is chosen: the
    // process ends with the exception's code, as where no debugger is registered. Windows
    // then shows no error report, and Wine starts no winedbg, whose dump of the crash
    // would otherwise fill the test's output (it ignores SEM_NOGPFAULTERRORBOX).
    SetUnhandledExceptionFilter(EndWithTheException);
    // Through a pointer the compiler cannot see, so that it emits the store itself and
    // not a trap instruction, which would be an illegal instruction instead.
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
    // Not reached; should an optimiser ever drop the store, the same exception all the same.
    RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    ExitProcess(ERROR_INVALID_PARAMETER);
}

int WaitForRelease()
{
    const std::wstring release = Environment(L"MARLOWICK_TEST_INSTALLER_RELEASE");
    if (release.empty())
        return ERROR_INVALID_PARAMETER;
    const ULONGLONG start = GetTickCount64();
    while (GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount64() - start >= kLongestWaitMilliseconds)
            return WAIT_TIMEOUT;
        Sleep(kPollMilliseconds);
    }
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    AppendLine(LogPath(), std::wstring(GetCommandLineW()) + L"\t" + OpenWindows());

    const std::wstring mode = Environment(L"MARLOWICK_TEST_INSTALLER");
    if (mode.empty() || mode == L"exit")
        return 0;
    if (mode == L"crash")
        Crash();
    if (mode == L"wait")
        return WaitForRelease();
    if (mode.starts_with(L"exit ")) {
        // Decimal, and negative codes too: "exit -1" is 0xFFFFFFFF, as a process sees it.
        const wchar_t* digits = mode.c_str() + 5;
        wchar_t* end = nullptr;
        const long long code = std::wcstoll(digits, &end, 10);
        if (end != digits && *end == L'\0')
            return static_cast<int>(static_cast<UINT>(code));
    }
    return ERROR_INVALID_PARAMETER;
}
