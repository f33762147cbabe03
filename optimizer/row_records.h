#pragma once

#include <optional>
#include <string>

#include "common/registry.h"
#include "optimizer/tweak_catalogue.h"

// What a catalogue row without a saved copy held before an Optimize first wrote it, so that
// Restore can give the user's own value back, or remove what Optimize added, keys included.
// Each record is one registry value under the program key, written in one call: a record is
// there whole or not at all, whenever the program dies.
namespace RowRecords {

struct Record {
    std::optional<CustomRegistry::RegValue> value; // nothing: the value did not exist
    int createdKeys = 0; // keys at the end of the row's path that did not exist
    bool operator==(const Record&) const = default;
};

// The row's state as Windows holds it now.
Record TakeRecord(const TweakCatalogue::Tweak& tweak);

// The record's value in the program key: its name says which row it is about.
std::wstring RecordName(const TweakCatalogue::Tweak& tweak);
CustomRegistry::RegValue Encode(const Record& record);
// A record that cannot be read (edited by hand, say) names no value and no key: Restore then
// deletes the row's value, as it always did for rows without a saved copy.
Record Decode(const CustomRegistry::RegValue& stored);

// Whether the program key keeps records at all. A backup taken by a release that kept none
// has none; Restore then deletes the rows of the chosen edition, as that release did.
bool RecordsKept();
// The row's record; nothing when the row has none.
std::optional<Record> ReadRecord(const TweakCatalogue::Tweak& tweak);

} // namespace RowRecords
