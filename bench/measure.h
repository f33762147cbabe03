#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

// What the benchmark programs measure with.
namespace Measure {

using Clock = std::chrono::steady_clock;

inline double Milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A file beside the running benchmark.
inline std::wstring Beside(const wchar_t* fileName)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path(self);
    return path.substr(0, path.rfind(L'\\') + 1) + fileName;
}

} // namespace Measure
