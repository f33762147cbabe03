#pragma once

// The programs find one another only by the window classes of their top-level windows.
namespace WindowCoordination {

inline constexpr wchar_t kMainFormClass[] = L"TMKMainForm";
inline constexpr wchar_t kAboutFormClass[] = L"TMKAboutForm";
inline constexpr wchar_t kSettingsFormClass[] = L"TMKSettingsForm";
inline constexpr wchar_t kUpdateFormClass[] = L"TMKUpdateForm";

// Whether a top-level window of the class exists; with `activate`, it is also restored
// and brought to the front.
bool ActivateRunningInstance(const wchar_t* className, bool activate);

// Sends WM_CLOSE to the main program's windows that exist: About, progress, main, in turn,
// each handled before the next is sent.
void CloseMainProgramWindows();

} // namespace WindowCoordination
