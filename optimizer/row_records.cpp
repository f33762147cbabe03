#include "optimizer/row_records.h"

#include <cstring>

#include "common/program_key.h"

namespace RowRecords {
namespace {

using CustomRegistry::RegValue;

// A record's data: three little-endian DWORDs (whether the value existed, how many keys
// were missing, the value's type), then the value's data as it was.
constexpr size_t kHeaderSize = 3 * sizeof(DWORD);

void PutDword(std::vector<std::uint8_t>& data, size_t offset, DWORD value)
{
    std::memcpy(data.data() + offset, &value, sizeof(value));
}

DWORD GetDword(const std::vector<std::uint8_t>& data, size_t offset)
{
    DWORD value;
    std::memcpy(&value, data.data() + offset, sizeof(value));
    return value;
}

} // namespace

Record TakeRecord(const TweakCatalogue::Tweak& tweak, View view)
{
    const std::wstring path(tweak.keyPath);
    return Record{CustomRegistry::ReadRegValue(tweak.root, path, std::wstring(tweak.valueName), view),
                  CustomRegistry::MissingKeyCount(tweak.root, path, view)};
}

std::wstring RecordName(const TweakCatalogue::Tweak& tweak, View view)
{
    // keyPath starts and ends with a backslash: "HKLM\System\...\Parameters\KeepAliveTime" for
    // the 32-bit view, as earlier releases named their records, "HKLM64\System\..." for the
    // 64-bit view.
    return std::wstring(tweak.root == HKEY_CURRENT_USER ? L"HKCU" : L"HKLM") + (view == View::Bits64 ? L"64" : L"") +
           std::wstring(tweak.keyPath) + std::wstring(tweak.valueName);
}

RegValue Encode(const Record& record)
{
    const size_t valueSize = record.value ? record.value->data.size() : 0;
    RegValue stored{REG_BINARY, std::vector<std::uint8_t>(kHeaderSize + valueSize)};
    PutDword(stored.data, 0, record.value ? 1 : 0);
    PutDword(stored.data, 4, DWORD(record.createdKeys));
    if (record.value) {
        PutDword(stored.data, 8, record.value->type);
        if (valueSize)
            std::memcpy(stored.data.data() + kHeaderSize, record.value->data.data(), valueSize);
    }
    return stored;
}

Record Decode(const RegValue& stored)
{
    // No row's path is deeper than this; more would be a damaged record.
    constexpr DWORD kMostKeys = 16;
    if (stored.type != REG_BINARY || stored.data.size() < kHeaderSize)
        return {};
    const DWORD existed = GetDword(stored.data, 0);
    const DWORD createdKeys = GetDword(stored.data, 4);
    if (existed > 1 || createdKeys > kMostKeys || (!existed && stored.data.size() != kHeaderSize))
        return {};
    Record record{std::nullopt, int(createdKeys)};
    if (existed)
        record.value = RegValue{GetDword(stored.data, 8), {stored.data.begin() + kHeaderSize, stored.data.end()}};
    return record;
}

bool HoldsUnrecordedChanges()
{
    using namespace ProgramKey;
    return CustomRegistry::MissingKeyCount(kRoot, kOriginalsPath, kView) != 0 ||
           CustomRegistry::ReadRegBool(kRoot, kOriginalsPath, kUnrecorded, false, kView);
}

std::optional<Record> ReadRecord(const TweakCatalogue::Tweak& tweak, View view)
{
    const auto stored = CustomRegistry::ReadRegValue(ProgramKey::kRoot, ProgramKey::kOriginalsPath,
                                                     RecordName(tweak, view), ProgramKey::kView);
    if (!stored)
        return std::nullopt;
    return Decode(*stored);
}

} // namespace RowRecords
