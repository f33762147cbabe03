#pragma once

#include <string_view>

#include "common/http_transfer.h"

// The one request that asks the vendor's server whether a newer release exists.
namespace UpdateQuery {

// The answers.
inline constexpr int NoAnswer = -1;        // no usable reply
inline constexpr int UpToDate = 0;         // "KORVEL|0"
inline constexpr int UpdateAvailable = 1;  // "KORVEL|1"
inline constexpr int ManualUpdateOnly = 2; // "KORVEL|2"

// A reply body is read up to this size; a server cannot make the program hold more.
inline constexpr std::size_t kBodyLimit = 64 * 1024;

// Asks the vendor's server; blocks until the reply has been read or the request failed.
int CheckForUpdate();
// The same, of the server at the endpoint.
int CheckForUpdateAt(const Http::Endpoint& endpoint);

// What a success reply's body answers: the first of the three tokens, in their order, that
// it contains anywhere.
int ReadUpdateAnswer(std::string_view body);

} // namespace UpdateQuery
