#pragma once

#include <string>

#include "resources/version.h"

// Fixed facts of the product that both programs share.
namespace Product {

#define MARLOWICK_WIDE_TEXT_(text) L##text
#define MARLOWICK_WIDE_TEXT(text) MARLOWICK_WIDE_TEXT_(text)

// The release, as shown to the user and sent to the vendor's server.
inline constexpr wchar_t kVersion[] = MARLOWICK_WIDE_TEXT(MARLOWICK_VERSION_TEXT);

// The vendor's web server, plain HTTP; set when building (MARLOWICK_VENDOR_HOST).
#ifndef MARLOWICK_VENDOR_HOST
#define MARLOWICK_VENDOR_HOST L"www.korvel.com"
#endif
inline constexpr wchar_t kVendorHost[] = MARLOWICK_VENDOR_HOST;
inline const std::wstring kVendorSite = std::wstring(L"http://") + kVendorHost;
inline const std::wstring kHomePage = kVendorSite + L"/";
inline const std::wstring kSupportPage = kVendorSite + L"/support/";
inline const std::wstring kDownloadsPage = kVendorSite + L"/downloads/";

// What the programs ask of the vendor's server, with the User-Agent of both requests.
inline constexpr wchar_t kUserAgent[] = L"Mozilla/4.0 (compatible; KORVEL)";
inline constexpr wchar_t kUpdateQueryPath[] =
    L"/downloads/update/?product=marlowick&version=" MARLOWICK_WIDE_TEXT(MARLOWICK_VERSION_TEXT);
inline constexpr wchar_t kInstallerPath[] = L"/downloads/marlowick.exe";
// The installer is told not to restart Windows itself, and to say with this code that a
// restart must finish its work.
inline constexpr wchar_t kInstallerParameters[] = L"/NORESTART /RESTARTEXITCODE=99";
inline constexpr int kInstallerRestartCode = 99;

inline constexpr wchar_t kHelpFile[] = L"Marlowick.chm";
inline constexpr wchar_t kMainHelpTopic[] = L"/html/main.htm";
inline constexpr wchar_t kUpdateHelpTopic[] = L"/html/update.htm";
inline constexpr wchar_t kLicenseDocument[] = L"License.rtf";
inline constexpr wchar_t kUpdaterProgram[] = L"MarlowickUpdate.exe";
inline constexpr wchar_t kMainProgram[] = L"Marlowick.exe";

} // namespace Product
