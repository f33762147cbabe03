#include "updater/installer_check.h"

#include <bcrypt.h>
#include <softpub.h>
#include <wintrust.h>

#include <vector>

namespace InstallerCheck {
namespace {

std::wstring Sha256Hex(const BYTE* data, DWORD size)
{
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0)
        return {};
    std::wstring hex;
    BCRYPT_HASH_HANDLE hash = nullptr;
    BYTE digest[32];
    if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
        if (BCryptHashData(hash, const_cast<BYTE*>(data), size, 0) == 0 &&
            BCryptFinishHash(hash, digest, sizeof(digest), 0) == 0) {
            constexpr wchar_t kDigits[] = L"0123456789abcdef";
            for (const BYTE byte : digest) {
                hex += kDigits[byte >> 4];
                hex += kDigits[byte & 0xF];
            }
        }
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return hex;
}

bool SameHex(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'F' ? wchar_t(c - L'A' + L'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::uint64_t SizeOf(HANDLE file)
{
    LARGE_INTEGER size{};
    return GetFileSizeEx(file, &size) ? std::uint64_t(size.QuadPart) : ~std::uint64_t(0);
}

} // namespace

std::wstring SignerCertificateSha256(HANDLE file, const std::wstring& path)
{
    WINTRUST_FILE_INFO fileInfo{sizeof(fileInfo)};
    fileInfo.pcwszFilePath = path.c_str();
    fileInfo.hFile = file; // the open file is what is checked, not whatever the name finds
    WINTRUST_DATA data{sizeof(data)};
    data.dwUIChoice = WTD_UI_NONE;
    // The publisher is pinned below; revocation lists would need the network.
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG verdict = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);

    std::wstring hex;
    if (verdict == ERROR_SUCCESS) {
        CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data.hWVTStateData);
        CRYPT_PROVIDER_SGNR* signer = provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
        CRYPT_PROVIDER_CERT* certificate = signer ? WTHelperGetProvCertFromChain(signer, 0) : nullptr;
        if (certificate && certificate->pCert)
            hex = Sha256Hex(certificate->pCert->pbCertEncoded, certificate->pCert->cbCertEncoded);
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return hex;
}

ScopedHandle OpenVerified(const std::wstring& path, const Http::Result& transfer, std::wstring_view publisherSha256)
{
    try {
        if (publisherSha256.empty() || !transfer.Complete())
            return {};
        ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || SizeOf(file.Get()) != transfer.received)
            return {};
        const std::wstring signer = SignerCertificateSha256(file.Get(), path);
        if (signer.empty() || !SameHex(signer, publisherSha256))
            return {};
        return file;
    } catch (...) {
        return {};
    }
}

} // namespace InstallerCheck
