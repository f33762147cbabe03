#pragma once

#include <windows.h>

#include <string>

#include "ui/application.h"

// Hints shown as Windows tooltips, and the hand cursor of the user's pointer scheme, for the
// main program. Both are set up once, when the process starts.
namespace NativeHints {

// The hint window the application uses once the set-up has run: it never shows a window of
// its own, only a tracking tooltip for the current hint.
class THintWindowFix : public ui::HintWindow {
public:
    THintWindowFix();
    ~THintWindowFix() override;
    THintWindowFix(const THintWindowFix&) = delete;
    THintWindowFix& operator=(const THintWindowFix&) = delete;

    void ActivateHint(const RECT& rect, const std::wstring& hint) override;
    RECT CalcHintRect(int maxWidth, const std::wstring& hint) override;
    void ReleaseHandle() override;

    HWND Tooltip() const { return tooltip; }

private:
    void HintChanged();
    HWND CreateTooltip(const std::wstring& hint, int x, int y);
    std::function<void()> oldAppHintHandler;
    HWND tooltip = nullptr;
    std::wstring caption; // the hint shown last
};

// Makes hints appear as Windows tooltips: a native hint window becomes the application's,
// and hiding the current hint releases the first native hint window's tooltip.
void InstallNativeHintWindow();

} // namespace NativeHints
