// The toolkit on real windows: what each window procedure reaches while forms, panels and
// controls go in any order.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "ui/application.h"
#include "ui/form.h"

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

        const std::array<ui::Control*, 4> parts{form.get(), outer.get(), inner.get(), button.get()};
        std::array<std::vector<HWND>, 4> windows;
        for (size_t i = 0; i < parts.size(); ++i)
            windows[i] = WindowsOf(*parts[i]);
        const auto destroy = [&](int part) {
            switch (part) {
            case 0: form.reset(); break;
            case 1: outer.reset(); break;
            case 2: inner.reset(); break;
            default: button.reset(); break;
            }
        };
        for (const int part : order) {
            destroy(part);
            Pump();
            for (const HWND window : windows[part])
                EXPECT_FALSE(IsWindow(window)) << "a window of part " << part << " outlived it";
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

} // namespace
