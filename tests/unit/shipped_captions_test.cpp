// The caption tables both programs carry: every text the windows and messages need, the
// layout of the files themselves, and the same sections and keys in every language.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/captions.h"
#include "common/program_key.h"
#include "tests/support/registry_helpers.h"

namespace {

struct Entry {
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* text;
};

const Entry kGivenTexts[] = {
    {L"MKMainForm", L"MKMainForm", L"Marlowick - Make your games and computer run faster"},
    {L"MKMainForm", L"BenefitsLabel", L"Benefits of Marlowick"},
    {L"MKMainForm", L"BenefitsDescription",
     L"Marlowick will optimize this computer by adjusting several settings within Windows.  These changes may fix "
     L"problems with your computer and improve gaming performance."},
    {L"MKMainForm", L"PerformanceHeading", L"Choose the correct settings below"},
    {L"MKMainForm", L"OSVersionLabel", L"Operating System : "},
    {L"MKMainForm", L"ProcessorTypeLabel", L"Processor : "},
    {L"MKMainForm", L"SpeedLabel", L"Speed Setting : "},
    {L"MKMainForm", L"FastLabel", L"Boost"},
    {L"MKMainForm", L"FasterLabel", L"Maximum Boost"},
    {L"MKMainForm", L"VersionInstalledLabel", L"Version installed : "},
    {L"MKMainForm", L"SoftwareLastUpdateLabel", L"Last updated : "},
    {L"MKMainForm", L"NavStatic1", L"Help"},
    {L"MKMainForm", L"NavStatic2", L"Home"},
    {L"MKMainForm", L"NavStatic3", L"Support"},
    {L"MKMainForm", L"NavStatic4", L"About"},
    {L"MKMainForm", L"NavLabel2", L"Choose a link below"},
    {L"MKMainForm", L"LinkLabel4", L"Help with Marlowick"},
    {L"MKMainForm", L"LinkLabel5", L"Contact tech support"},
    {L"MKMainForm", L"LinkLabel6", L"Click to visit our website"},
    {L"MKMainForm", L"LinkLabel7", L"About Marlowick"},
    {L"MKMainForm", L"GoButton", L"&Optimize now"},
    {L"MKMainForm", L"RestoreButton", L"&Restore"},
    {L"MKMainForm", L"UpdatesButton", L" &Check for updates ..."},
    {L"MKMainForm", L"HelpFilePopup", L"Get &help with Marlowick"},
    {L"MKMainForm", L"TechSupportPopup", L"&Contact technical support"},
    {L"MKMainForm", L"MessageBoxChangeRestart1",
     L"The changes to the computer's gaming and system performance settings have finished."},
    {L"MKMainForm", L"MessageBoxChangeRestart2", L"You will need to restart Windows for the changes to become active."},
    {L"MKMainForm", L"MessageBoxChangeRestart3", L"Click Yes to restart the computer now, or click No to restart later."},
    {L"MKMainForm", L"MessageBoxReset1",
     L"This will restore all changes made to the computer's gaming and system performance settings to their "
     L"original recommended values."},
    {L"MKMainForm", L"MessageBoxReset2", L"Click OK to continue."},

    {L"MKAboutForm", L"MKAboutForm", L"About Marlowick"},
    {L"MKAboutForm", L"BannerLabel", L"More information about this software"},
    {L"MKAboutForm", L"VersionLabel", L"Marlowick 2  (Version : "},
    {L"MKAboutForm", L"LicenseAgreementLabel", L"Click to view the end-user license terms"},
    {L"MKAboutForm", L"HelpButton", L"&Help"},
    {L"MKAboutForm", L"CloseButton", L"&Close"},

    {L"MKSettingsForm", L"MKSettingsForm", L"Updating computer's gaming and system performance settings"},
    {L"MKSettingsForm", L"MessageUpdate", L"Optimizing the computer's gaming and system performance settings"},
    {L"MKSettingsForm", L"MessageRestore", L"Restoring the computer's gaming and system performance settings"},
    {L"MKSettingsForm", L"MessageChange1", L"Finding computer information"},
    {L"MKSettingsForm", L"MessageChange2", L"Finding total physical memory installed"},
    {L"MKSettingsForm", L"MessageChange3", L"Finding hardware adapters"},
    {L"MKSettingsForm", L"MessageChange4", L"Finding display device"},
    {L"MKSettingsForm", L"MessageChange5", L"Finding 3D graphics device"},
    {L"MKSettingsForm", L"MessageChange6", L"Finding processor information"},
    {L"MKSettingsForm", L"MessageChange7", L"Finding input devices"},
    {L"MKSettingsForm", L"MessageChange8", L"Finding hard drives"},
    {L"MKSettingsForm", L"MessageChange9", L"Backing up gaming settings"},
    {L"MKSettingsForm", L"MessageChange10", L"Writing new gaming and system settings"},
    {L"MKSettingsForm", L"MessageChange11", L"Restoring gaming and system settings"},

    {L"MKUpdateForm", L"MKUpdateForm", L"Update Marlowick"},
    {L"MKUpdateForm", L"BannerLabel", L"Download and install updates for Marlowick"},
    {L"MKUpdateForm", L"UpdateHeading", L"Check for updates to Marlowick"},
    {L"MKUpdateForm", L"UpdateDescription",
     L"Click the Update button below to download and install updates for Marlowick."},
    {L"MKUpdateForm", L"UpdateLabel1", L"Find update"},
    {L"MKUpdateForm", L"UpdateLabel2", L"Download update"},
    {L"MKUpdateForm", L"UpdateLabel3", L"Install update"},
    {L"MKUpdateForm", L"HelpButton", L"&Help"},
    {L"MKUpdateForm", L"UpdateButton", L"&Update"},
    {L"MKUpdateForm", L"CloseButton", L"&Close"},
    {L"MKUpdateForm", L"MessageBoxAdmin1", L"You do not have the proper privilege level to update this software."},
    {L"MKUpdateForm", L"MessageBoxAdmin2", L"Please login to the computer as an Administrator."},
    {L"MKUpdateForm", L"MessageBoxUpdate1", L"An update for this software is available to download."},
    {L"MKUpdateForm", L"MessageBoxUpdate2", L"Do you want to download and install a new version of this software?"},
    {L"MKUpdateForm", L"MessageBoxNoConnection1", L"Could not connect to the internet to check for software updates."},
    {L"MKUpdateForm", L"MessageBoxNoConnection2", L"Please check if your internet connection is available."},
    {L"MKUpdateForm", L"MessageBoxNoUpdate1", L"There are no updates available for this software."},
    {L"MKUpdateForm", L"MessageBoxNoUpdate2", L"You have the current version of the software installed."},
    {L"MKUpdateForm", L"MessageBoxManualUpdate1", L"This software could not be automatically updated."},
    {L"MKUpdateForm", L"MessageBoxManualUpdate2",
     L"Do you want to manually download and install a new version of this software?"},
    {L"MKUpdateForm", L"MessageBoxUpdateRestart1", L"The updater could not update some files."},
    {L"MKUpdateForm", L"MessageBoxUpdateRestart2", L"You will need to restart Windows for the files to be updated."},
    {L"MKUpdateForm", L"MessageBoxUpdateRestart3",
     L"Click Yes to restart the computer now, or click No to restart later."},
};

// Our own wording, which only has to be there.
const Entry kOwnTexts[] = {
    {L"MKAboutForm", L"CopyrightLabel", L"\u00A9"},
    {L"MKAboutForm", L"LicensedMemo", L""},
    {L"MKAboutForm", L"CopyrightWarningLabel", L"\u00AE"},
    {L"MKMainForm", L"MessageBoxNoRights1", L"administrator"},
    {L"MKMainForm", L"MessageBoxNoRights2", L"Run as administrator"},
    {L"MKMainForm", L"MessageBoxChangeIncomplete1", L"Not every change"},
};

// The tables the programs carry. Each is Windows-1252, and beyond ASCII holds only the
// letters and signs of its language: a UTF-8 sequence, which an editor may have slipped in,
// shows as bytes outside the set (an umlaut would be C3 and a second byte).
struct Language {
    const char* name;
    const wchar_t* resource;
    std::set<unsigned char> beyondAscii;
};
const Language kLanguages[] = {
    {"english", L"ENGLISH", {0xA9, 0xAE}},
    // Ä Ö Ü ä ö ü ß, the German quotation marks „ “, © and ®.
    {"german", L"GERMAN", {0xC4, 0xD6, 0xDC, 0xE4, 0xF6, 0xFC, 0xDF, 0x84, 0x93, 0xA9, 0xAE}},
};
const Language& kEnglish = kLanguages[0];

// The items of the main window's help menu: a menu's accelerators work only while it is
// open, so they need to differ only from one another, not from the window's buttons.
const std::set<std::wstring> kMenuItems = {L"HelpFilePopup", L"TechSupportPopup"};

std::string TableBytes(const wchar_t* resourceName)
{
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC resource = FindResourceW(module, resourceName, RT_RCDATA);
    if (!resource)
        return {};
    return std::string(static_cast<const char*>(LockResource(LoadResource(module, resource))),
                       SizeofResource(module, resource));
}

// One line of a table: its fields, or none for an empty line.
struct Line {
    std::wstring section, key, text;
    bool empty = false;
    bool blankAfterQuote = false;
};

std::vector<Line> TableLines(const wchar_t* resourceName)
{
    std::vector<Line> lines;
    for (const std::wstring& line : Captions::DecodeLines(TableBytes(resourceName))) {
        if (line.empty()) {
            lines.push_back({L"", L"", L"", true});
            continue;
        }
        std::vector<std::wstring> fields = Captions::SplitFields(line);
        fields.resize(3);
        lines.push_back({fields[0], fields[1], fields[2], false, line.ends_with(L"\" ")});
    }
    return lines;
}

bool IsBlank(wchar_t c) { return c >= 1 && c <= 32; }

// The accelerator of a text, lower-cased; 0 when it has none.
wchar_t Accelerator(const std::wstring& text)
{
    const size_t amp = text.find(L'&');
    if (amp == std::wstring::npos || amp + 1 >= text.size())
        return 0;
    wchar_t letter = text[amp + 1];
    CharLowerBuffW(&letter, 1);
    return letter;
}

TEST(ShippedCaptionsTest, HoldsEveryTextAsGiven)
{
    for (const Entry& e : kGivenTexts) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(e.section)) << " "
                                        << testing::PrintToString(std::wstring(e.key)));
        EXPECT_EQ(Captions::GetCaption(e.section, e.key), e.text);
    }
    for (const Entry& e : kOwnTexts) {
        const std::wstring text = Captions::GetCaption(e.section, e.key);
        EXPECT_FALSE(text.empty()) << testing::PrintToString(std::wstring(e.key));
        EXPECT_NE(text.find(e.text), std::wstring::npos) << testing::PrintToString(text);
    }
}

TEST(ShippedCaptionsTest, IsWindows1252WithCrLfAndOneEmptyLineBetweenWindows)
{
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.name);
        const std::string bytes = TableBytes(language.resource);
        ASSERT_FALSE(bytes.empty());
        EXPECT_FALSE(bytes.starts_with("\xEF\xBB\xBF")) << "no byte-order mark";
        EXPECT_FALSE(bytes.ends_with("\n")) << "no line end after the last line";

        for (size_t i = 0; i < bytes.size(); ++i) {
            const auto c = static_cast<unsigned char>(bytes[i]);
            if (c >= 0x80) {
                EXPECT_TRUE(language.beyondAscii.contains(c)) << "byte " << int(c) << " at " << i;
            }
            if (c == '\n') {
                EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "lone LF at byte " << i;
            }
            if (c == '\r') {
                EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "lone CR at byte " << i;
            }
        }

        // Each window's lines stand together, its title first and its messages last, and one
        // empty line separates the windows.
        const std::vector<std::wstring> lines = Captions::DecodeLines(bytes);
        std::vector<std::wstring> sectionOrder;
        std::wstring previous;
        bool afterEmpty = true;
        bool inMessages = false;
        for (const std::wstring& line : lines) {
            SCOPED_TRACE(testing::PrintToString(line));
            if (line.empty()) {
                EXPECT_FALSE(afterEmpty) << "two empty lines in a row";
                afterEmpty = true;
                continue;
            }
            const std::vector<std::wstring> fields = Captions::SplitFields(line);
            ASSERT_EQ(fields.size(), 3u);
            EXPECT_EQ(line[line.find(L',') + 1 + fields[1].size() + 1], L'"') << "the text is quoted";
            EXPECT_FALSE(fields[2].empty()) << "every text is there";
            if (afterEmpty) {
                sectionOrder.push_back(fields[0]);
                EXPECT_EQ(fields[1], fields[0]) << "a window's title comes first";
                inMessages = false;
            } else {
                EXPECT_EQ(fields[0], previous) << "a window's lines stand together";
            }
            const bool isMessage = fields[1].starts_with(L"Message");
            EXPECT_FALSE(inMessages && !isMessage) << "controls come before messages";
            inMessages = inMessages || isMessage;
            previous = fields[0];
            afterEmpty = false;
        }
        EXPECT_EQ(sectionOrder,
                  (std::vector<std::wstring>{L"MKMainForm", L"MKAboutForm", L"MKSettingsForm", L"MKUpdateForm"}));
    }
}

TEST(ShippedCaptionsTest, TwoLinesHaveABlankAfterTheirClosingQuote)
{
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.name);
        std::set<std::wstring> blankAfterQuote;
        for (const Line& line : TableLines(language.resource)) {
            if (line.blankAfterQuote) {
                blankAfterQuote.insert(line.key);
                EXPECT_FALSE(IsBlank(line.text.back())) << "the blank is not part of the text";
            }
        }
        EXPECT_EQ(blankAfterQuote, (std::set<std::wstring>{L"MessageBoxAdmin2", L"MessageBoxReset2"}));
    }
}

// Every table holds the English one's sections and keys, in its order and with its empty
// lines; and where an English text begins or ends with a blank, so that it stands apart
// from what the program puts beside it ("Version installed : " + the version), the
// translation does too.
TEST(ShippedCaptionsTest, EveryLanguageHasTheEnglishSectionsKeysAndBlanks)
{
    const std::vector<Line> english = TableLines(kEnglish.resource);
    ASSERT_FALSE(english.empty());
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.name);
        const std::vector<Line> lines = TableLines(language.resource);
        ASSERT_EQ(lines.size(), english.size());
        for (size_t i = 0; i < lines.size(); ++i) {
            const Line &line = lines[i], &given = english[i];
            SCOPED_TRACE(testing::Message() << "line " << i + 1 << " " << testing::PrintToString(given.key));
            EXPECT_EQ(line.empty, given.empty);
            EXPECT_EQ(line.section, given.section);
            EXPECT_EQ(line.key, given.key);
            if (line.text.empty() || given.text.empty())
                continue;
            EXPECT_EQ(IsBlank(line.text.front()), IsBlank(given.text.front())) << testing::PrintToString(line.text);
            EXPECT_EQ(IsBlank(line.text.back()), IsBlank(given.text.back())) << testing::PrintToString(line.text);
        }
    }
}

// Alt and a letter reaches one control of a window: the controls that have an accelerator
// in English have one in every language, on a letter, and no two of a window (or of the
// help menu) share it.
TEST(ShippedCaptionsTest, AcceleratorsAreLettersAndUniqueInEachWindow)
{
    std::set<std::pair<std::wstring, std::wstring>> englishKeys;
    for (const Line& line : TableLines(kEnglish.resource)) {
        if (line.text.find(L'&') != std::wstring::npos)
            englishKeys.insert({line.section, line.key});
    }
    ASSERT_FALSE(englishKeys.empty());
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.name);
        std::set<std::pair<std::wstring, std::wstring>> keys;
        std::map<std::pair<std::wstring, bool>, std::map<wchar_t, std::wstring>> used; // by window and menu
        for (const Line& line : TableLines(language.resource)) {
            if (line.text.find(L'&') == std::wstring::npos)
                continue;
            SCOPED_TRACE(testing::PrintToString(line.text));
            keys.insert({line.section, line.key});
            EXPECT_EQ(line.text.find(L'&'), line.text.rfind(L'&')) << "one accelerator";
            const wchar_t letter = Accelerator(line.text);
            EXPECT_TRUE(letter && IsCharAlphaW(letter)) << "on a letter";
            auto& group = used[{line.section, kMenuItems.contains(line.key)}];
            EXPECT_FALSE(group.contains(letter)) << "also the accelerator of " << testing::PrintToString(group[letter]);
            group[letter] = line.key;
        }
        EXPECT_EQ(keys, englishKeys);
    }
}

// The German table as the programs read it: chosen by "Language" in any letter case, and
// decoded from Windows-1252 into its umlauts, sharp s and quotation marks.
TEST(ShippedCaptionsTest, GermanIsChosenByTheLanguageValueAndReadsAsGerman)
{
    const TestRegistry::Snapshot saved({TestRegistry::ProgramPlace(ProgramKey::kLanguage)});
    for (const wchar_t* value : {L"german", L"German", L"GERMAN"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(value)));
        TestRegistry::WriteProgramValue(ProgramKey::kLanguage, TestRegistry::Sz(value));
        EXPECT_EQ(Captions::GetCaption(L"MKAboutForm", L"CloseButton"), L"&Schlie\u00DFen");
        EXPECT_EQ(Captions::GetCaption(L"MKSettingsForm", L"MessageChange4"), L"Anzeigeger\u00E4t wird ermittelt");
        EXPECT_EQ(Captions::GetCaption(L"MKMainForm", L"MessageBoxChangeRestart3"),
                  L"Klicken Sie auf \u201EJa\u201C, um den Computer jetzt neu zu starten, oder auf \u201ENein\u201C, "
                  L"um ihn sp\u00E4ter neu zu starten.");
        EXPECT_EQ(Captions::GetCaption(L"MKUpdateForm", L"MessageBoxAdmin2"),
                  L"Bitte melden Sie sich als Administrator am Computer an.");
    }
}

} // namespace
