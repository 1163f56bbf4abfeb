#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Text helpers of the request frame. Narrow text is UTF-8 throughout, so the conversions to and
// from a code page fall away: URL encoding of UTF-8 already gives the wire bytes.
namespace nubexa {

// Per byte: ASCII letters and digits kept, white space (space, \t \n \v \f \r) -> "+",
// every other byte -> "%XX" (upper-case hex). Used for names and search words.
std::string urlEncode(std::string_view text);

// "%" and two hex digits (either case) -> that byte, "+" -> space, everything else copied.
std::string percentDecode(std::string_view text);

// The text of a raw answer body (percent-decoded, in the body's own storage). Empty means
// "no answer".
std::string decodeAnswer(std::string body);

// Removes leading and trailing U+0020 only.
std::string trimSpaces(std::string_view text);

// A value that is not a name or search word: every byte that could end or split the value
// ('&', '=', '+', '#', '%', '?', space, control bytes, non-ASCII) becomes "%XX"; letters,
// digits and "-._~!$'()*,;:@/" stay. percentDecode gives the value back.
std::string encodeQueryValue(std::string_view value);

// atoi: optional leading white space and sign, then decimal digits up to the first other byte;
// 0 when there are none. Out-of-range values are clamped instead of overflowing.
std::int32_t toInt32(std::string_view text);
std::int64_t toInt64(std::string_view text);

}  // namespace nubexa
