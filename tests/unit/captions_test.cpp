#include "common/captions.h"

#include <gtest/gtest.h>

#include "common/program_key.h"
#include "tests/support/registry_helpers.h"
#include "ui/form.h"

using namespace Captions;
using Fields = std::vector<std::wstring>;
using Lines = std::vector<std::wstring>;

namespace {

TEST(CaptionFieldsTest, SplitsLinesByTheTableRules)
{
    struct Case {
        const wchar_t* line;
        Fields fields;
    };
    const Case cases[] = {
        {L"MKMainForm,GoButton,\"&Optimize now\"", {L"MKMainForm", L"GoButton", L"&Optimize now"}},
        // Blanks (codes 1 to 32) before, around commas and after a closing quote are skipped.
        {L" \t MKMainForm ,\x01 GoButton\x1F,  \"Go\"  ", {L"MKMainForm", L"GoButton", L"Go"}},
        // Inside quotes, blanks and commas are text, and a doubled quote is one quote.
        {L"S,K,\" &Check for updates ...\"", {L"S", L"K", L" &Check for updates ..."}},
        {L"S,K,\"Operating System : \"", {L"S", L"K", L"Operating System : "}},
        {L"S,K,\"one, two\"", {L"S", L"K", L"one, two"}},
        {L"S,K,\"say \"\"hi\"\"\"", {L"S", L"K", L"say \"hi\""}},
        {L"S,K,\"\"", {L"S", L"K", L""}},
        // A missing closing quote runs to the end of the line.
        {L"S,K,\"open to the end, really", {L"S", L"K", L"open to the end, really"}},
        // An unquoted field ends at a blank; what follows is a further field.
        {L"MKMainForm,GoButton,Optimize now", {L"MKMainForm", L"GoButton", L"Optimize", L"now"}},
        {L"S,K,\"quoted\"rest", {L"S", L"K", L"quoted", L"rest"}},
        {L"S K T", {L"S", L"K", L"T"}},
        // Commas: one ending the line adds an empty field, one followed by blanks adds none,
        // two in a row enclose an empty field.
        {L"S,", {L"S", L""}},
        {L"S,  ", {L"S"}},
        {L"S,,T", {L"S", L"", L"T"}},
        {L"S, ,T", {L"S", L"", L"T"}},
        {L",K", {L"", L"K"}},
        // Apostrophes are ordinary characters; extra fields are kept for the caller to ignore.
        {L"S,K,'single'", {L"S", L"K", L"'single'"}},
        {L"a,b,c,d", {L"a", L"b", L"c", L"d"}},
        {L"MKMainForm", {L"MKMainForm"}},
        // A line of blanks only has no field at all.
        {L" \t ", {}},
        {L"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "line: " << testing::PrintToString(std::wstring(c.line)));
        EXPECT_EQ(SplitFields(c.line), c.fields);
    }
}

TEST(CaptionFieldsTest, ANulCharacterEndsTheLine)
{
    EXPECT_EQ(SplitFields(std::wstring(L"S,K,\"a\0b\"", 10)), (Fields{L"S", L"K", L"a"}));
    EXPECT_EQ(SplitFields(std::wstring(L"S,K\0,T", 6)), (Fields{L"S", L"K"}));
}

TEST(CaptionDecodingTest, DecodesByByteOrderMarkOrAnsiAndSplitsLines)
{
    using namespace std::string_literals;
    ASSERT_EQ(GetACP(), 1252u) << "the tests expect a Western European ANSI code page";
    struct Case {
        const char* what;
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"ANSI", "a\xA9\r\nb\xAE", {L"a\u00A9", L"b\u00AE"}},
        {"UTF-8 with mark", "\xEF\xBB\xBF\xC3\xA9t\xC3\xA9\r\n\xE2\x82\xAC", {L"\u00E9t\u00E9", L"\u20AC"}},
        {"UTF-16LE with mark", "\xFF\xFE" "a\0\xAC\x20\r\0\n\0b\0"s, {L"a\u20AC", L"b"}},
        {"UTF-16BE with mark", "\xFE\xFF" "\0a\x20\xAC\0\n\0b"s, {L"a\u20AC", L"b"}},
        {"an odd last byte of UTF-16 is dropped", "\xFF\xFE" "a\0b"s, {L"a"}},
        {"a mark alone", "\xEF\xBB\xBF", {}},
        {"nothing", "", {}},
        {"CR LF, lone CR and lone LF all end lines", "a\r\nb\rc\nd", {L"a", L"b", L"c", L"d"}},
        {"LF CR is two line ends", "a\n\rb", {L"a", L"", L"b"}},
        {"empty lines are kept", "a\r\n\r\nb\r\n", {L"a", L"", L"b"}},
        {"the last line needs no end", "a\r\nlast", {L"a", L"last"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeLines(c.bytes), c.lines);
    }
}

// A window with one component of every kind the table treats differently.
class TestForm : public ui::Form {
public:
    TestForm() : ui::Form(L"MKMainForm") {}
    ui::Button GoButton{this, L"GoButton"};
    ui::Button RestoreButton{this, L"RestoreButton"};
    ui::Label Heading{this, L"Heading"};
    ui::Panel Strip{this, L"Strip"};
    ui::Memo Credits{this, L"Credits"};
    ui::Edit Field{this, L"Field"};
    ui::MenuItem HelpItem{this, L"HelpItem"};
    ui::Control Slider{this, L"Slider"}; // a kind without a caption
};

TEST(ApplyCaptionsTest, SetsTitleAndControlsOfTheWindowsSection)
{
    const Lines table = {
        L"MKMainForm,MKMainForm,\"Title\"",
        L"mkmainform,gobutton,\"Go\"", // section and control names ignore case...
        L"mkmainform,mkmainform,\"Not the title\"", // ...the title key does not
        L"MKMainForm,RestoreButton,Restore now",
        L"MKMainForm,Heading,\"first\"",
        L"MKMainForm,Heading,\"second\"",
        L"MKMainForm,Strip,\"strip\"",
        L"MKMainForm,Credits,\"credits\"",
        L"MKMainForm,Field,\"field\"",
        L"MKMainForm,HelpItem,\"&Help\"",
        L"MKMainForm,Slider,\"no caption\"",
        L"MKMainForm,Missing,\"no such control\"",
        L"MKAboutForm,GoButton,\"other window\"",
        L"MKAboutForm",
    };
    TestForm form;
    form.Credits.SetText(L"old first line\r\nold second line");
    ApplyCaptions(form, table);

    EXPECT_EQ(form.Text(), L"Title");
    EXPECT_EQ(form.GoButton.Text(), L"Go");
    EXPECT_EQ(form.RestoreButton.Text(), L"Restore");
    EXPECT_EQ(form.Heading.Text(), L"second");
    EXPECT_EQ(form.Strip.Text(), L"strip");
    EXPECT_EQ(form.Credits.Text(), L"credits");
    EXPECT_EQ(form.Field.Text(), L"field");
    EXPECT_EQ(form.HelpItem.Text(), L"&Help");
}

TEST(ApplyCaptionsTest, WalkEndsAtABlankLineOrAShortLineOfTheWindow)
{
    struct Case {
        const char* what;
        Lines table;
        std::wstring title, go, restore;
    };
    const std::wstring title = L"MKMainForm,MKMainForm,\"T\"";
    const std::wstring go = L"MKMainForm,GoButton,\"G\"";
    const std::wstring restore = L"MKMainForm,RestoreButton,\"R\"";
    const Case cases[] = {
        {"complete", {title, go, restore}, L"T", L"G", L"R"},
        {"empty lines are skipped", {title, L"", go, L"", restore}, L"T", L"G", L"R"},
        {"a blank-only line ends the walk", {L" ", title, go, restore}, L"", L"", L""},
        {"a tab-only line in the middle", {title, L"\t", go, restore}, L"T", L"", L""},
        {"the section alone", {title, L"MKMainForm", go}, L"T", L"", L""},
        {"the title without text", {go, L"MKMainForm,MKMainForm", restore}, L"", L"G", L""},
        {"a captioned control without text", {title, L"MKMainForm,GoButton", restore}, L"T", L"", L""},
        {"a control without caption needs no text", {title, L"MKMainForm,Slider", go}, L"T", L"G", L""},
        {"an unknown name needs no text", {title, L"MKMainForm,Nobody", go}, L"T", L"G", L""},
        {"other sections are read no further", {L"MKAboutForm", L"Other,X", title, go}, L"T", L"G", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestForm form;
        ApplyCaptions(form, c.table);
        EXPECT_EQ(form.Text(), c.title);
        EXPECT_EQ(form.GoButton.Text(), c.go);
        EXPECT_EQ(form.RestoreButton.Text(), c.restore);
    }
}

TEST(GetCaptionTest, FindsTheLastMatchIgnoringCaseAndStopsAtShortLines)
{
    struct Case {
        const char* what;
        Lines table;
        const wchar_t* section;
        const wchar_t* key;
        std::wstring text;
    };
    const std::wstring reset = L"MKMainForm,MessageBoxReset1,\"Reset\"";
    const Case cases[] = {
        {"exact", {reset}, L"MKMainForm", L"MessageBoxReset1", L"Reset"},
        {"any case", {reset}, L"mkmainform", L"messageboxreset1", L"Reset"},
        {"no such key", {reset}, L"MKMainForm", L"MessageBoxReset2", L""},
        {"another section's key", {reset}, L"MKAboutForm", L"MessageBoxReset1", L""},
        {"the last match wins", {reset, L"MKMainForm,MessageBoxReset1,\"Again\""}, L"MKMainForm",
         L"MessageBoxReset1", L"Again"},
        {"a blank-only line ends the walk", {reset, L"  ", L"MKMainForm,MessageBoxReset1,\"Again\""},
         L"MKMainForm", L"MessageBoxReset1", L"Reset"},
        {"a line of the section with one field ends it", {L"MKMainForm", reset}, L"MKMainForm",
         L"MessageBoxReset1", L""},
        {"a matching line without text ends it", {reset, L"MKMainForm,MessageBoxReset1", reset}, L"MKMainForm",
         L"MessageBoxReset1", L"Reset"},
        {"a line of another key without text does not", {L"MKMainForm,Other", reset}, L"MKMainForm",
         L"MessageBoxReset1", L"Reset"},
        {"another section with one field does not", {L"MKAboutForm", reset}, L"MKMainForm", L"MessageBoxReset1",
         L"Reset"},
        {"extra fields are ignored", {L"MKMainForm,MessageBoxReset1,\"Reset\",extra"}, L"MKMainForm",
         L"MessageBoxReset1", L"Reset"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(GetCaption(c.table, c.section, c.key), c.text);
    }
}

// The table the program carries is chosen by the "Language" value of the program key.
class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override { saved = TestRegistry::ReadProgramValue(ProgramKey::kLanguage); }
    void TearDown() override
    {
        if (saved)
            TestRegistry::WriteProgramValue(ProgramKey::kLanguage, *saved);
        else
            TestRegistry::DeleteProgramValue(ProgramKey::kLanguage);
    }
    std::optional<TestRegistry::RawValue> saved;
};

TEST_F(LanguageTest, ChoosesTheTableByTheLanguageValue)
{
    const std::wstring title = L"Marlowick - Make your games and computer run faster";
    struct Case {
        const char* what;
        std::optional<TestRegistry::RawValue> language;
        std::wstring expectedName, expectedTitle;
    };
    const Case cases[] = {
        {"missing", std::nullopt, L"english", title},
        {"empty", TestRegistry::Sz(L""), L"english", title},
        {"upper case", TestRegistry::Sz(L"ENGLISH"), L"english", title},
        {"mixed case", TestRegistry::Sz(L"EnGlIsH"), L"english", title},
        {"not a text", TestRegistry::Dword(1), L"english", title},
        {"a table the program does not carry", TestRegistry::Sz(L"Klingon"), L"klingon", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestRegistry::DeleteProgramValue(ProgramKey::kLanguage);
        if (c.language)
            TestRegistry::WriteProgramValue(ProgramKey::kLanguage, *c.language);

        EXPECT_EQ(LanguageName(), c.expectedName);
        EXPECT_EQ(GetCaption(L"MKMainForm", L"MKMainForm"), c.expectedTitle);
        TestForm form;
        ApplyCaptions(form);
        EXPECT_EQ(form.Text(), c.expectedTitle);
        EXPECT_EQ(form.GoButton.Text(), c.expectedTitle.empty() ? L"" : L"&Optimize now");
    }
}

} // namespace
