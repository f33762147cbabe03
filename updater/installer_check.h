#pragma once

#include <string>
#include <string_view>

#include "common/http_transfer.h"
#include "common/scoped_handle.h"

// The checks a downloaded installer must pass before the updater starts it with
// administrator rights: a download over plain HTTP may be cut short, a captive portal's
// page, or changed on the way.
namespace InstallerCheck {

// The installer's file, opened for reading with writers shut out, when
// - the transfer ended with a success status and brought every byte it announced, and the
//   file holds exactly what arrived;
// - the file carries a valid Authenticode signature;
// - the signer's certificate (its DER encoding) has the SHA-256 `publisherSha256` (hex).
// Keep the handle until the installer has started: while it is open, nobody can change the
// file that was checked. Empty (no handle) when any check fails, and always when
// `publisherSha256` is empty.
ScopedHandle OpenVerified(const std::wstring& path, const Http::Result& transfer, std::wstring_view publisherSha256);

// The SHA-256 of the certificate that signed the open file, as 64 lower-case hex digits;
// empty when its signature is missing or not valid.
std::wstring SignerCertificateSha256(HANDLE file, const std::wstring& path);

} // namespace InstallerCheck
