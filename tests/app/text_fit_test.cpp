// Every text of every window fits the place the window gives it, in each language the
// programs carry: the windows are made in this process as the programs make them, at 96 DPI,
// and each text is measured in the font its control shows it in.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/captions.h"
#include "common/program_key.h"
#include "optimizer/timestamp.h"
#include "tests/app/app_fixture.h"
#include "tests/support/registry_helpers.h"
#include "ui/scoped_gdi.h"
#include "updater/update_form.h"

namespace {

// What a text needs and what it has, in pixels, for the list of texts that do not fit.
struct Misfit {
    std::wstring where, text;
    SIZE needs, has;
};

std::string Describe(const std::vector<Misfit>& misfits)
{
    std::ostringstream out;
    for (const Misfit& m : misfits) {
        out << "\n  " << testing::PrintToString(m.where) << " " << testing::PrintToString(m.text) << " needs "
            << m.needs.cx << " x " << m.needs.cy << ", has " << m.has.cx << " x " << m.has.cy;
    }
    return out.str();
}

// The size DrawTextW gives the text in the font; a word-wrapped text is laid out in the
// width it has.
SIZE Measure(HFONT font, const std::wstring& text, UINT format, int width)
{
    const ui::ScopedWindowDc screen(nullptr);
    const ui::ScopedSelection selected(screen.Get(), font);
    RECT rect{0, 0, width, 0};
    DrawTextW(screen.Get(), text.c_str(), int(text.size()), &rect, format | DT_CALCRECT);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

class TextFit {
public:
    explicit TextFit(ui::Form& measured) : form(measured) {}

    // Every control of the window that shows a text: labels as they paint themselves, push
    // buttons inside their frame, the memo in its formatting rectangle.
    void Controls()
    {
        for (ui::Component* component : form.Components()) {
            if (auto* label = dynamic_cast<ui::Label*>(component))
                Label(*label, label->ShownFont());
            else if (auto* button = dynamic_cast<ui::Button*>(component))
                Button(*button);
            else if (auto* memo = dynamic_cast<ui::Memo*>(component))
                Memo(*memo);
        }
    }

    // A label in another font than the one it shows now (a step label turns bold).
    void Label(const ui::Label& label, const ui::Font& font)
    {
        if (label.Text().empty())
            return;
        const RECT rect = label.PixelRect();
        const SIZE has{rect.right - rect.left, rect.bottom - rect.top};
        const ui::SharedFont shown = ui::SharedFont::For(font, label.Dpi());
        const SIZE needs = Measure(shown.Handle(), label.Text(), label.wordWrap ? DT_WORDBREAK : DT_SINGLELINE, has.cx);
        Check(label.Name() + (font.bold && !label.ShownFont().bold ? L" (bold)" : L""), label.Text(), needs, has);
    }

    // The title in the caption font, in the title bar between the window's icon and its
    // caption buttons.
    void Title()
    {
        const HWND window = form.Handle();
        NONCLIENTMETRICSW metrics{sizeof(metrics)};
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        const ui::ScopedFont font(CreateFontIndirectW(&metrics.lfCaptionFont));
        const SIZE needs = Measure(font.Get(), form.Text(), DT_SINGLELINE | DT_NOPREFIX, 0);

        RECT client;
        GetClientRect(window, &client);
        const LONG style = GetWindowLongW(window, GWL_STYLE);
        int buttons = 0; // close, and minimise with its (disabled) maximise beside it
        if (style & WS_SYSMENU)
            buttons = (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) ? 3 : 1;
        const int icon = (style & WS_SYSMENU) ? GetSystemMetrics(SM_CXSMICON) + 2 * GetSystemMetrics(SM_CXEDGE) : 0;
        const int margins = 2 * GetSystemMetrics(SM_CXEDGE);
        const SIZE has{client.right - icon - buttons * metrics.iCaptionWidth - margins, metrics.iCaptionHeight};
        Check(L"title", form.Text(), needs, has);
    }

    std::vector<Misfit> misfits;

private:
    void Button(const ui::Button& button)
    {
        if (button.Text().empty())
            return;
        RECT client;
        GetClientRect(button.Handle(), &client);
        // A push button draws its text inside its raised frame and the focus rectangle
        // within it; the shield stands before the text.
        const int frame = GetSystemMetrics(SM_CXEDGE) + 2;
        const int shield = button.shield ? GetSystemMetrics(SM_CXSMICON) + GetSystemMetrics(SM_CXEDGE) : 0;
        const SIZE has{client.right - 2 * frame - shield, client.bottom - 2 * frame};
        const auto font = HFONT(SendMessageW(button.Handle(), WM_GETFONT, 0, 0));
        Check(button.Name(), button.Text(), Measure(font, button.Text(), DT_SINGLELINE, 0), has);
    }

    void Memo(const ui::Memo& memo)
    {
        if (memo.Text().empty())
            return;
        RECT rect;
        SendMessageW(memo.Handle(), EM_GETRECT, 0, LPARAM(&rect));
        const SIZE has{rect.right - rect.left, rect.bottom - rect.top};
        const auto font = HFONT(SendMessageW(memo.Handle(), WM_GETFONT, 0, 0));
        const SIZE needs = Measure(font, memo.Text(), DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX, has.cx);
        Check(memo.Name(), memo.Text(), needs, has);
    }

    void Check(const std::wstring& name, const std::wstring& text, SIZE needs, SIZE has)
    {
        if (needs.cx > has.cx || needs.cy > has.cy)
            misfits.push_back({form.Name() + L"." + name, text, needs, has});
    }

    ui::Form& form;
};

enum class Window { Main, About, Progress, Update };

struct Case {
    const wchar_t* language;
    Window window;
};

void PrintTo(const Case& c, std::ostream* out)
{
    const char* windows[] = {"main", "About", "progress", "update"};
    *out << testing::PrintToString(std::wstring(c.language)) << ", " << windows[int(c.window)] << " window";
}

std::string CaseName(const testing::TestParamInfo<Case>& info)
{
    const char* windows[] = {"Main", "About", "Progress", "Update"};
    const std::wstring language = info.param.language;
    return std::string(language.begin(), language.end()) + "_" + windows[int(info.param.window)];
}

class TextFitTest : public AppWindowsTest, public testing::WithParamInterface<Case> {
protected:
    void SetUp() override
    {
        AppWindowsTest::SetUp();
        TestRegistry::WriteProgramValue(ProgramKey::kLanguage, TestRegistry::Sz(GetParam().language));
        // The longest last-updated text: the longest weekday and month, a two-digit day and
        // hour. Kept as the first start, so that no update check falls due.
        const SYSTEMTIME longest{2023, 9, 3, 27, 22, 59, 59, 0};
        TestRegistry::WriteProgramValue(ProgramKey::kInstalledDate, TestRegistry::Sz(Timestamp::TimestampText(
                                                                        Timestamp::LocalMilliseconds(longest))));
    }

    const TestRegistry::Snapshot language{{TestRegistry::ProgramPlace(ProgramKey::kLanguage)}};
};

TEST_P(TextFitTest, EveryTextFitsItsControl)
{
    std::vector<Misfit> misfits;
    auto take = [&misfits](const TextFit& fit) { misfits.insert(misfits.end(), fit.misfits.begin(), fit.misfits.end()); };

    if (GetParam().window == Window::Update) {
        TMKUpdateForm form;
        form.FormCreate();
        form.Create();
        form.Show();
        ASSERT_EQ(form.Dpi(), 96) << "the layout is measured at 96 DPI";
        TextFit fit(form);
        fit.Controls();
        fit.Title();
        // A step's label turns bold while the step runs.
        for (const ui::Label* label : {&form.UpdateLabel1, &form.UpdateLabel2, &form.UpdateLabel3}) {
            ui::Font bold = label->ShownFont();
            bold.bold = true;
            fit.Label(*label, bold);
        }
        take(fit);
        form.Hide();
    } else {
        Windows windows;
        ASSERT_EQ(windows.main.Dpi(), 96) << "the layout is measured at 96 DPI";
        ui::Form* shown = &windows.main;
        if (GetParam().window == Window::About)
            shown = &windows.about;
        else if (GetParam().window == Window::Progress)
            shown = &windows.settings;
        shown->Show(); // the About and progress windows take their texts when shown
        TextFit fit(*shown);
        if (GetParam().window == Window::Progress) {
            // Each heading and each step text with its last dots, as a run shows them.
            for (const wchar_t* heading : {L"MessageUpdate", L"MessageRestore"}) {
                windows.settings.CurrentSettingsHeading.SetText(Captions::GetCaption(L"MKSettingsForm", heading));
                fit.Label(windows.settings.CurrentSettingsHeading, windows.settings.CurrentSettingsHeading.ShownFont());
            }
            for (int step = 1; step <= 11; ++step) {
                const std::wstring key = L"MessageChange" + std::to_wstring(step);
                windows.settings.CurrentSettingsLabel.SetText(Captions::GetCaption(L"MKSettingsForm", key) + L"...");
                fit.Label(windows.settings.CurrentSettingsLabel, windows.settings.CurrentSettingsLabel.ShownFont());
            }
        } else {
            fit.Controls();
        }
        fit.Title();
        take(fit);
        if (shown != &windows.main)
            shown->Hide();
    }
    EXPECT_TRUE(misfits.empty()) << "texts that do not fit:" << Describe(misfits);
}

INSTANTIATE_TEST_SUITE_P(Languages, TextFitTest,
                         testing::Values(Case{L"english", Window::Main}, Case{L"english", Window::About},
                                         Case{L"english", Window::Progress}, Case{L"english", Window::Update},
                                         Case{L"german", Window::Main}, Case{L"german", Window::About},
                                         Case{L"german", Window::Progress}, Case{L"german", Window::Update}),
                         CaseName);

} // namespace
