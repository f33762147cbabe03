// The toolkit on real windows and real GDI: what each window procedure reaches while forms,
// panels and controls go in any order; who owns each GDI object; shared fonts; icons; the
// functions looked up at run time; the desktop font when the user changes it; the keyboard
// focus.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "optimizer/art.h"
#include "tests/app/app_fixture.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/late_bound.h"

namespace ui {
void PrintTo(const GdiCounts& counts, std::ostream* out)
{
    *out << "{fonts " << counts.fonts << ", bitmaps " << counts.bitmaps << ", brushes " << counts.brushes
         << ", image lists " << counts.imageLists << ", memory DCs " << counts.memoryDcs << "}";
}
} // namespace ui

namespace {

void Pump() { ui::Application::Instance().ProcessMessages(); }

// The pixel point inside a control, in the window that shows it.
LPARAM PointIn(const ui::Control& control)
{
    const RECT rect = control.PixelRect();
    return MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

// Forms as the programs write them: controls are members, each declared after its parent.
struct PanelsFirst : ui::Form {
    PanelsFirst() : Form(L"MKLifetimeForm")
    {
        clientWidth = 300;
        clientHeight = 200;
        Outer.bounds = {0, 0, 300, 200};
        Inner.bounds = {10, 10, 200, 150};
        Go.bounds = {10, 10, 80, 25};
        Note.bounds = {10, 50, 80, 20};
    }
    ui::Panel Outer{this, L"Outer"};
    ui::Panel Inner{this, L"Inner", &Outer};
    ui::Button Go{this, L"Go", &Inner};
    ui::Label Note{this, L"Note", &Inner};
};

struct ControlsAroundPanels : ui::Form {
    ControlsAroundPanels() : Form(L"MKLifetimeForm")
    {
        clientWidth = 300;
        clientHeight = 200;
        Close.bounds = {200, 170, 80, 25};
        Outer.bounds = {0, 0, 300, 160};
        Go.bounds = {10, 10, 80, 25};
        Inner.bounds = {100, 10, 180, 140};
        Innermost.bounds = {10, 10, 100, 100};
        Note.bounds = {5, 5, 80, 20};
        Side.bounds = {0, 160, 100, 40};
    }
    ui::Button Close{this, L"Close"};
    ui::Panel Outer{this, L"Outer"};
    ui::Button Go{this, L"Go", &Outer};
    ui::Panel Inner{this, L"Inner", &Outer};
    ui::Panel Innermost{this, L"Innermost", &Inner};
    ui::Label Note{this, L"Note", &Innermost};
    ui::Panel Side{this, L"Side"};
};

// Every window of a form's tree, the form's own first.
std::vector<HWND> WindowsOf(const ui::Control& control)
{
    std::vector<HWND> windows;
    if (control.Handle())
        windows.push_back(control.Handle());
    for (const ui::Control* child : control.Controls()) {
        const auto more = WindowsOf(*child);
        windows.insert(windows.end(), more.begin(), more.end());
    }
    return windows;
}

template <class T>
class MemberLifetimeTest : public ::testing::Test {};
using MemberForms = ::testing::Types<PanelsFirst, ControlsAroundPanels>;
TYPED_TEST_SUITE(MemberLifetimeTest, MemberForms);

// The form goes as a whole: its members first, then the form itself.
TYPED_TEST(MemberLifetimeTest, NoWindowReachesAGoneControl)
{
    const unsigned long before = ui::MessagesForDeadControls();
    std::vector<HWND> windows;
    {
        TypeParam form;
        form.Show();
        Pump();
        windows = WindowsOf(form);
        ASSERT_GE(windows.size(), 4u);
    }
    Pump();
    EXPECT_EQ(ui::MessagesForDeadControls(), before);
    for (const HWND window : windows)
        EXPECT_FALSE(IsWindow(window));
}

// A form, nested panels and a button made apart, so that they can be destroyed in every order.
TEST(LifetimeTest, NoWindowOutlivesItsControlInAnyOrderOfDestruction)
{
    std::array<int, 4> order{0, 1, 2, 3}; // form, outer panel, inner panel, button
    do {
        SCOPED_TRACE(::testing::Message() << "destroyed in the order " << order[0] << order[1] << order[2] << order[3]);
        const unsigned long before = ui::MessagesForDeadControls();
        auto form = std::make_unique<ui::Form>(L"MKLifetimeForm");
        form->clientWidth = 300;
        form->clientHeight = 200;
        auto outer = std::make_unique<ui::Panel>(form.get(), L"Outer");
        outer->bounds = {0, 0, 300, 200};
        auto inner = std::make_unique<ui::Panel>(form.get(), L"Inner", outer.get());
        inner->bounds = {10, 10, 200, 150};
        auto button = std::make_unique<ui::Button>(form.get(), L"Button", inner.get());
        button->bounds = {10, 10, 80, 25};
        form->Show();
        Pump();

        const std::array<ui::Control*, 4> objects{form.get(), outer.get(), inner.get(), button.get()};
        std::array<std::vector<HWND>, 4> windows;
        for (size_t i = 0; i < objects.size(); ++i)
            windows[i] = WindowsOf(*objects[i]);
        const auto destroy = [&](int which) {
            switch (which) {
            case 0: form.reset(); break;
            case 1: outer.reset(); break;
            case 2: inner.reset(); break;
            default: button.reset(); break;
            }
        };
        for (const int which : order) {
            destroy(which);
            Pump();
            for (const HWND window : windows[which])
                EXPECT_FALSE(IsWindow(window)) << "a window of object " << which << " outlived it";
        }
        EXPECT_EQ(ui::MessagesForDeadControls(), before);
    } while (std::next_permutation(order.begin(), order.end()));
}

// Windows destroys an owned window with its owner: the owned form and its controls let go of
// the windows they had, rather than keep handles that may come to name other windows.
TEST(LifetimeTest, AnOwnedFormLetsGoOfWindowsDestroyedWithItsOwner)
{
    const unsigned long before = ui::MessagesForDeadControls();
    auto owner = std::make_unique<ui::Form>(L"MKLifetimeForm");
    PanelsFirst owned;
    owned.owner = owner.get();
    owner->Show();
    owned.Show();
    Pump();
    const std::vector<HWND> windows = WindowsOf(owned);
    owner.reset();
    Pump();
    for (const HWND window : windows)
        EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(owned.Handle(), nullptr);
    EXPECT_EQ(owned.Inner.Handle(), nullptr);
    EXPECT_EQ(owned.Go.Handle(), nullptr);
    EXPECT_EQ(ui::MessagesForDeadControls(), before);
}

// Which windowless control the mouse is over belongs to its container: a control that goes
// is no longer the one under the mouse, and the next one there is entered afresh.
TEST(LifetimeTest, AGoneControlUnderTheMouseIsNeitherLeftNorKept)
{
    ui::Form form(L"MKLifetimeForm");
    form.clientWidth = 300;
    form.clientHeight = 200;
    ui::Panel panel(&form, L"Panel");
    panel.bounds = {0, 0, 300, 200};
    int entered = 0, left = 0;
    const auto makeLabel = [&] {
        auto label = std::make_unique<ui::Label>(&form, L"Label", &panel);
        label->bounds = {20, 20, 100, 20};
        label->OnMouseEnter = [&entered] { ++entered; };
        label->OnMouseLeave = [&left] { ++left; };
        return label;
    };
    auto label = makeLabel();
    form.Show();
    Pump();

    SendMessageW(panel.Handle(), WM_MOUSEMOVE, 0, PointIn(*label));
    EXPECT_EQ(entered, 1);
    label.reset();
    SendMessageW(panel.Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(left, 0);

    label = makeLabel();
    SendMessageW(panel.Handle(), WM_MOUSEMOVE, 0, PointIn(*label));
    EXPECT_EQ(entered, 2);
    SendMessageW(panel.Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(left, 1);
}

HFONT WindowFont(const ui::Control& control) { return HFONT(SendMessageW(control.Handle(), WM_GETFONT, 0, 0)); }

ui::GdiCounts Change(const ui::GdiCounts& from, const ui::GdiCounts& to)
{
    return {to.fonts - from.fonts, to.bitmaps - from.bitmaps, to.brushes - from.brushes,
            to.imageLists - from.imageLists, to.memoryDcs - from.memoryDcs};
}

// Controls that show the same face, size and style at one DPI have one GDI font, whatever
// their colours; the font goes when its last user changes to another or goes.
TEST(GdiTest, EqualFontsAtOneDpiShareOneFontAndOthersDoNot)
{
    const ui::GdiCounts before = ui::LiveGdiObjects();
    {
        ui::Form form(L"MKFontForm");
        form.clientWidth = 300;
        form.clientHeight = 300;
        form.parentFont = false;
        form.font = {L"Tahoma", 8};
        ui::Button follower(&form, L"Follower");
        struct Case {
            const char* what;
            ui::Font font;
            bool sharesTheFormsFont;
        };
        const Case cases[] = {
            {"another colour", {L"Tahoma", 8, false, false, RGB(200, 0, 0)}, true},
            {"the face in capitals", {L"TAHOMA", 8}, true},
            {"bold", {L"Tahoma", 8, true}, false},
            {"underlined", {L"Tahoma", 8, false, true}, false},
            {"larger", {L"Tahoma", 9}, false},
            {"another face", {L"Courier New", 8}, false},
        };
        std::vector<std::unique_ptr<ui::Button>> buttons;
        for (const Case& c : cases) {
            buttons.push_back(std::make_unique<ui::Button>(&form, L"Button"));
            buttons.back()->bounds = {10, 10 + 30 * int(buttons.size()), 100, 25};
            buttons.back()->parentFont = false;
            buttons.back()->font = c.font;
        }
        form.Create();

        const HFONT shared = WindowFont(follower);
        ASSERT_NE(shared, nullptr);
        std::vector<HFONT> others;
        for (size_t i = 0; i < std::size(cases); ++i) {
            SCOPED_TRACE(cases[i].what);
            const HFONT font = WindowFont(*buttons[i]);
            ASSERT_NE(font, nullptr);
            EXPECT_EQ(font == shared, cases[i].sharesTheFormsFont);
            if (font != shared) {
                EXPECT_EQ(std::count(others.begin(), others.end(), font), 0);
                others.push_back(font);
            }
        }
        EXPECT_EQ(ui::LiveGdiObjects().fonts - before.fonts, int(1 + others.size()));

        ui::Button& bold = *buttons[2];
        bold.font.bold = false;
        bold.Refresh();
        EXPECT_EQ(WindowFont(bold), shared);
        EXPECT_EQ(ui::LiveGdiObjects().fonts - before.fonts, int(others.size()));
    }
    EXPECT_EQ(ui::LiveGdiObjects(), before);
}

// Painting borrows: what a paint makes, it releases.
TEST(GdiTest, PaintingLeavesNothingBehind)
{
    const ui::GdiCounts before = ui::LiveGdiObjects();
    {
        PanelsFirst form;
        form.Inner.colour = RGB(255, 255, 255);
        form.Note.SetText(L"A note");
        form.Show();
        const auto paint = [&] {
            RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            Pump();
        };
        paint();
        const ui::GdiCounts painted = ui::LiveGdiObjects();
        EXPECT_EQ(painted.brushes - before.brushes, 1) << "the inner panel's colour";
        for (int i = 0; i < 20; ++i)
            paint();
        EXPECT_EQ(ui::LiveGdiObjects(), painted);
    }
    EXPECT_EQ(ui::LiveGdiObjects(), before);
}

class ProgramGdiTest : public AppWindowsTest {};

// Marlowick's three windows make what they need once: showing the About window again and again
// makes nothing more, and when the windows go, everything they made goes with them, and none
// of their windows reached a control that had gone.
TEST_F(ProgramGdiTest, TheWindowsReleaseEverythingTheyMake)
{
    const ui::GdiCounts start = ui::LiveGdiObjects();
    const unsigned long deadBefore = ui::MessagesForDeadControls();
    {
        Windows windows;
        ui::GdiCounts afterSecond;
        for (int showing = 1; showing <= 50; ++showing) {
            ASSERT_EQ(ShowAboutAndClose(windows), IDOK);
            if (showing == 2)
                afterSecond = ui::LiveGdiObjects();
        }
        EXPECT_EQ(ui::LiveGdiObjects(), afterSecond)
            << "grew by " << testing::PrintToString(Change(afterSecond, ui::LiveGdiObjects()));

        answers = {IDNO};
        windows.main.GoButtonClick();
        answers = {IDOK, IDNO};
        windows.main.RestoreButtonClick();
        EXPECT_EQ(messages.size(), 3u);
        EXPECT_TRUE(restarts.empty());
    }
    Pump();
    EXPECT_EQ(ui::LiveGdiObjects(), start) << "left " << testing::PrintToString(Change(start, ui::LiveGdiObjects()));
    EXPECT_EQ(ui::MessagesForDeadControls(), deadBefore);
}

// Items that name the same icon show one image, loaded once; each list goes with its box.
TEST_F(ProgramGdiTest, EachIconOfAComboBoxIsLoadedOnce)
{
    const ui::GdiCounts start = ui::LiveGdiObjects();
    {
        Windows windows;
        EXPECT_EQ(ui::LiveGdiObjects().imageLists - start.imageLists, 2);
        struct Case {
            ui::ComboBoxEx& combo;
            int images;
        };
        for (const Case& c : {Case{windows.main.WindowsCombo, 2}, Case{windows.main.ProcessorCombo, 1}}) {
            SCOPED_TRACE(testing::PrintToString(c.combo.Name()));
            const HIMAGELIST list = c.combo.Images();
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(ImageList_GetImageCount(list), c.images);
            EXPECT_EQ(SendMessageW(c.combo.Handle(), CB_GETCOUNT, 0, 0), LRESULT(c.combo.items.size()));
            std::vector<std::pair<const wchar_t*, int>> imageOfIcon;
            for (size_t i = 0; i < c.combo.items.size(); ++i) {
                const int image = c.combo.ImageOf(int(i));
                EXPECT_GE(image, 0);
                const wchar_t* icon = c.combo.items[i].icon;
                const auto known = std::find_if(imageOfIcon.begin(), imageOfIcon.end(),
                                                [icon](const auto& entry) { return entry.first == icon; });
                if (known == imageOfIcon.end())
                    imageOfIcon.emplace_back(icon, image);
                else
                    EXPECT_EQ(image, known->second) << "item " << i;
            }
            EXPECT_EQ(int(imageOfIcon.size()), c.images);
        }
    }
    EXPECT_EQ(ui::LiveGdiObjects().imageLists, start.imageLists);
}

// Wine has every function the programs look up; each answers as the system does.
TEST(LateBoundTest, EachFunctionResolvesUnderWine)
{
    using ui::LateBound::Function;
    for (const Function function : {Function::GetDpiForWindow, Function::AdjustWindowRectExForDpi,
                                    Function::SetDefaultDllDirectories, Function::HtmlHelpW, Function::VarDateFromStr,
                                    Function::PlaySoundW, Function::ShellExecuteW, Function::CommandLineToArgvW})
        EXPECT_TRUE(ui::LateBound::Available(function)) << "function " << int(function);

    const ui::ScopedWindowDc screen(nullptr);
    const int systemDpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    ui::Form form(L"MKLateBoundForm");
    form.Create();
    EXPECT_EQ(ui::LateBound::GetDpiForWindow(form.Handle()), UINT(systemDpi));

    const DWORD style = WS_CAPTION | WS_SYSMENU;
    RECT forDpi{0, 0, 200, 100}, plain{0, 0, 200, 100};
    ASSERT_TRUE(ui::LateBound::AdjustWindowRectExForDpi(&forDpi, style, FALSE, 0, UINT(systemDpi)));
    ASSERT_TRUE(AdjustWindowRectEx(&plain, style, FALSE, 0));
    EXPECT_TRUE(EqualRect(&forDpi, &plain));

    DATE date = 0;
    ASSERT_EQ(ui::LateBound::VarDateFromStr(L"3/8/2024 2:05:09 PM", MAKELCID(0x0409, SORT_DEFAULT), 0, &date), S_OK);
    EXPECT_NEAR(date, 45359 + (14 * 3600 + 5 * 60 + 9) / 86400.0, 1e-6);
    EXPECT_TRUE(FAILED(ui::LateBound::VarDateFromStr(L"soon", MAKELCID(0x0409, SORT_DEFAULT), 0, &date)));
}

// The user's icon-title font, put back after each test.
class DesktopFontTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(saved), &saved, 0)); }
    void TearDown() override { SystemParametersInfoW(SPI_SETICONTITLELOGFONT, sizeof(saved), &saved, SPIF_SENDCHANGE); }

    // Sets the icon-title font to a face and a pixel height at the system DPI.
    void SetIconTitleFont(const wchar_t* face, int pixels, UINT change)
    {
        LOGFONTW font = saved;
        lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
        font.lfHeight = -pixels;
        ASSERT_TRUE(SystemParametersInfoW(SPI_SETICONTITLELOGFONT, sizeof(font), &font, change));
    }

    static int SystemDpi()
    {
        const ui::ScopedWindowDc screen(nullptr);
        return GetDeviceCaps(screen.Get(), LOGPIXELSY);
    }

    static std::wstring FaceOf(HFONT font)
    {
        LOGFONTW logFont{};
        return GetObjectW(font, sizeof(logFont), &logFont) ? std::wstring(logFont.lfFaceName) : std::wstring();
    }

    LOGFONTW saved{};
};

// A form on the desktop font takes it again when the user changes it, and only that: the
// controls with fonts of their own keep them, and nothing the form ran on showing runs again.
// A form with a font of its own keeps it. (Wine announces the change to every window only
// when it is also written to the user's profile, so the test announces it itself.)
TEST_F(DesktopFontTest, AFormOnTheDesktopFontFollowsItsChanges)
{
    struct Case {
        const char* what;
        UINT message;
        WPARAM setting;
        bool follows;
    };
    const Case cases[] = {
        {"the icon-title font", WM_SETTINGCHANGE, SPI_SETICONTITLELOGFONT, true},
        {"the non-client metrics", WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, true},
        {"the theme", WM_THEMECHANGED, 0, true},
        {"the work area", WM_SETTINGCHANGE, SPI_SETWORKAREA, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetIconTitleFont(L"Tahoma", 11, 0);
        ui::Form form(L"MKDesktopFontForm");
        form.clientWidth = 300;
        form.clientHeight = 200;
        ui::Button follower(&form, L"Follower");
        follower.bounds = {10, 10, 100, 25};
        ui::Button own(&form, L"Own");
        own.bounds = {10, 50, 100, 25};
        own.parentFont = false;
        own.font = {L"Tahoma", 10, true};
        int shown = 0;
        form.OnShow = [&] {
            ++shown;
            form.UseDesktopFont();
            own.font.points = 11;
            own.Refresh();
        };
        form.Show();
        ASSERT_EQ(form.font.face, L"Tahoma");
        ui::Form fixed(L"MKDesktopFontForm");
        fixed.parentFont = false;
        fixed.font = {L"Tahoma", 8};
        fixed.Show();

        SetIconTitleFont(L"Courier New", 16, 0);
        for (const ui::Form* target : {&form, &fixed})
            SendMessageW(target->Handle(), c.message, c.setting, 0);

        const ui::Font expected = c.follows ? ui::Font{L"Courier New", MulDiv(16, 72, SystemDpi())}
                                            : ui::Font{L"Tahoma", MulDiv(11, 72, SystemDpi())};
        EXPECT_EQ(form.font, expected);
        EXPECT_EQ(FaceOf(WindowFont(follower)), expected.face);
        EXPECT_EQ(own.font, (ui::Font{L"Tahoma", 11, true}));
        EXPECT_EQ(FaceOf(WindowFont(own)), L"Tahoma");
        EXPECT_EQ(shown, 1);
        EXPECT_EQ(fixed.font, (ui::Font{L"Tahoma", 8}));
    }
}

bool HasFocus(const ui::Control& control)
{
    const HWND focus = GetFocus();
    return focus && (focus == control.Handle() || IsChild(control.Handle(), focus));
}

std::wstring FocusName(const std::vector<ui::Control*>& candidates)
{
    for (const ui::Control* control : candidates) {
        if (HasFocus(*control))
            return control->Name();
    }
    return GetFocus() ? L"another window" : L"no window";
}

BOOL CALLBACK FindMessageBox(HWND window, LPARAM found)
{
    wchar_t className[16] = {};
    GetClassNameW(window, className, int(std::size(className)));
    if (std::wstring(className) != L"#32770" || !IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// Answers the next message box of this thread with OK, from a timer that runs in its loop.
void CALLBACK AnswerMessageBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindMessageBox, LPARAM(&box));
    if (!box)
        return;
    KillTimer(nullptr, timer);
    SendMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(box, IDOK)));
}

class FocusTest : public AppWindowsTest {
protected:
    // The main window's controls in keyboard order.
    static std::vector<ui::Control*> KeyboardOrder(TMKMainForm& main)
    {
        return {&main.GoButton, &main.RestoreButton, &main.WindowsCombo, &main.ProcessorCombo, &main.SpeedTrackBar,
                &main.UpdatesButton};
    }
};

TEST_F(FocusTest, TheFocusStartsOnGoAndTabFollowsTheKeyboardOrder)
{
    Windows windows;
    Pump();
    const auto order = KeyboardOrder(windows.main);
    EXPECT_TRUE(HasFocus(windows.main.GoButton)) << testing::PrintToString(FocusName(order));

    windows.main.RestoreButton.SetEnabled(true);
    for (size_t step = 1; step <= order.size(); ++step) {
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
        Pump();
        const ui::Control& expected = *order[step % order.size()];
        EXPECT_TRUE(HasFocus(expected)) << "Tab " << step << " to " << testing::PrintToString(expected.Name())
                                        << " reached " << testing::PrintToString(FocusName(order));
    }
}

// The control that had the focus has it again after the main window was interrupted: by the
// About window, a message box over it, being disabled, or a whole run.
TEST_F(FocusTest, TheFocusComesBackAfterTheMainWindowWasInterrupted)
{
    Windows windows;
    TMKMainForm& main = windows.main;
    Pump();
    struct Case {
        const char* what;
        ui::Control& focused;
        std::function<void()> interrupt;
    };
    const Case cases[] = {
        {"the About window", main.SpeedTrackBar, [&] { ShowAboutAndClose(windows); }},
        {"a message box", main.UpdatesButton,
         [&] {
             const UINT_PTR timer = SetTimer(nullptr, 0, 50, &AnswerMessageBox);
             EXPECT_EQ(MessageBoxW(main.Handle(), L"Focus", L"Marlowick", MB_OK), IDOK);
             KillTimer(nullptr, timer);
         }},
        {"being disabled", main.ProcessorCombo,
         [&] {
             main.SetEnabled(false);
             EXPECT_FALSE(HasFocus(main.ProcessorCombo));
             main.SetEnabled(true);
         }},
        {"an Optimize", main.UpdatesButton,
         [&] {
             answers = {IDNO};
             main.GoButtonClick();
         }},
        {"a Restore", main.WindowsCombo,
         [&] {
             answers = {IDOK, IDNO};
             main.RestoreButtonClick();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetFocus(c.focused.Handle());
        ASSERT_TRUE(HasFocus(c.focused));
        c.interrupt();
        Pump();
        EXPECT_TRUE(HasFocus(c.focused)) << "the focus is on " << testing::PrintToString(FocusName(KeyboardOrder(main)));
    }
    EXPECT_EQ(messages.size(), 3u) << "the two runs' questions";
}

} // namespace
