#pragma once

#include <string>

// Fixed facts of the product that both programs share.
namespace Product {

// The release, as shown to the user and sent to the vendor's server.
inline constexpr wchar_t kVersion[] = L"2.10.21.2024";

// The vendor's web server, plain HTTP; set when building (MARLOWICK_VENDOR_HOST).
#ifndef MARLOWICK_VENDOR_HOST
#define MARLOWICK_VENDOR_HOST L"www.korvel.com"
#endif
inline const std::wstring kVendorSite = std::wstring(L"http://") + MARLOWICK_VENDOR_HOST;
inline const std::wstring kHomePage = kVendorSite + L"/";
inline const std::wstring kSupportPage = kVendorSite + L"/support/";

inline constexpr wchar_t kHelpFile[] = L"Marlowick.chm";
inline constexpr wchar_t kMainHelpTopic[] = L"/html/main.htm";
inline constexpr wchar_t kLicenseDocument[] = L"License.rtf";
inline constexpr wchar_t kUpdaterProgram[] = L"MarlowickUpdate.exe";
inline constexpr wchar_t kMainProgram[] = L"Marlowick.exe";

} // namespace Product
