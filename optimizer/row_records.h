#pragma once

#include <optional>
#include <string>

#include "common/registry.h"
#include "optimizer/tweak_catalogue.h"

// What a catalogue row without a saved copy held before an Optimize first wrote it, so that
// Restore can give the user's own value back, or remove what Optimize added, keys included.
// Each record is one registry value under the program key, written in one call: a record is
// there whole or not at all, whenever the program dies.
//
// A record is of the registry view it was taken in, and its name says which: this release
// records the view Windows reads, earlier releases recorded the 32-bit view, where they wrote
// every row. An Optimize over such a release's backup adds records of the other view beside
// them, so a row may have one record in each.
namespace RowRecords {

using CustomRegistry::View;

struct Record {
    std::optional<CustomRegistry::RegValue> value; // nothing: the value did not exist
    int createdKeys = 0; // keys at the end of the row's path that did not exist
    bool operator==(const Record&) const = default;
};

// The row's state in the view as Windows holds it now.
Record TakeRecord(const TweakCatalogue::Tweak& tweak, View view);

// The record's value in the program key: its name says which row and view it is about.
std::wstring RecordName(const TweakCatalogue::Tweak& tweak, View view);
CustomRegistry::RegValue Encode(const Record& record);
// A record that cannot be read (edited by hand, say) names no value and no key: Restore then
// deletes the row's value, as it always did for rows without a saved copy.
Record Decode(const CustomRegistry::RegValue& stored);

// Whether the backup holds changes that a release without records made: a backup taken by
// such a release has no records at all, and one that this release's Optimize added records
// to is marked so. Restore undoes those changes by the chosen edition, as that release did.
bool HoldsUnrecordedChanges();
// The row's record of the view; nothing when it has none.
std::optional<Record> ReadRecord(const TweakCatalogue::Tweak& tweak, View view);

} // namespace RowRecords
