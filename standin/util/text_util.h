#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "standin/util/outcome.h"

namespace nubexa::standin {

// Whole, shortest-form UTF-8 without surrogates.
bool isValidUtf8(std::string_view text);

// Case-folded copy for comparisons (full Unicode simple case mapping where the C library
// knows it). Input must be valid UTF-8.
std::string foldCase(std::string_view text);

// The value of a hexadecimal digit (either case), or -1.
int hexValue(char c);

// "%XX" becomes its byte (either hex case); "+" becomes a space when plusIsSpace. A "%" not
// followed by two hex digits stays as it is.
std::string percentDecode(std::string_view text, bool plusIsSpace);

// Every byte but ASCII letters, digits and "-._" as "%XX": safe in a query, a path or a
// header parameter.
std::string percentEncode(std::string_view text);

// A strict non-negative decimal without sign or blanks, at most 18 digits.
std::optional<std::int64_t> parseCount(std::string_view text);

// Ids joined by ",": every entry a positive count; empty entries are skipped. nullopt when an
// entry is not an id or there are more than `limit` of them.
std::optional<std::vector<std::int64_t>> parseIdList(std::string_view text,
                                                     std::size_t limit = 1000);

// A name of a folder, or of a file with its extension: 1 to 255 bytes of valid UTF-8, no
// control characters, none of \ / : * ? " < > |, not "." or "..", no blank at either end.
Outcome checkItemName(std::string_view name);

// An extension as the listings carry it: empty, or "." followed by 1 to 31 bytes that would be
// a valid name and hold no further ".".
Outcome checkExtension(std::string_view ext);

// Free text a user typed (passwords, hints, descriptions): valid UTF-8 without control
// characters, at most maxBytes.
Outcome checkPlainText(std::string_view text, std::size_t maxBytes, const char* what);

// "name (2).ext", "name (3).ext", ...: the n-th alternative of a taken name.
std::string numberedName(const std::string& name, int n);

// Local time as the listings show it: "2026-12-08 14:03:00".
std::string timeText(std::int64_t epochSeconds);

// Local calendar day: "2026-12-08".
std::string dayText(std::int64_t epochSeconds);

std::int64_t nowSeconds();

// "1023 B", "1.50 KB", "3.00 GB": sizes as people read them.
std::string sizeForPeople(std::int64_t bytes);

// Splits a typed list (addresses, domains) on ",", ";", their full-width forms and white
// space, dropping empty pieces.
std::vector<std::string> splitList(std::string_view text);

}  // namespace nubexa::standin
