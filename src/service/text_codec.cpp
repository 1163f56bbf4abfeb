#include "service/text_codec.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace nubexa {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool isAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isWhiteSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int hexValue(unsigned char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

void appendPercent(std::string& out, unsigned char c) {
    out.push_back('%');
    out.push_back(kHexDigits[c >> 4]);
    out.push_back(kHexDigits[c & 0x0F]);
}

}  // namespace

std::string urlEncode(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (isAsciiAlnum(c)) {
            out.push_back(ch);
        } else if (isWhiteSpace(c)) {
            out.push_back('+');
        } else {
            appendPercent(out, c);
        }
    }
    return out;
}

namespace {

// Decodes `text` where it stands: a decoded escape is never longer than its escape. Most of a
// listing's bytes need none; the runs between escapes are found with memchr.
void percentDecodeInPlace(std::string& text) {
    char* const begin = text.data();
    const char* const end = begin + text.size();
    const auto next = [end](const char* from, char wanted) {
        const void* found = std::memchr(from, wanted, static_cast<std::size_t>(end - from));
        return found != nullptr ? static_cast<const char*>(found) : end;
    };
    const char* percent = next(begin, '%');
    const char* plus = next(begin, '+');
    const char* at = std::min(percent, plus);
    char* out = begin + (at - begin);
    while (at < end) {
        const char* stop = std::min(percent, plus);
        std::memmove(out, at, static_cast<std::size_t>(stop - at));
        out += stop - at;
        at = stop;
        if (at == end)
            break;
        if (*at == '+') {
            *out++ = ' ';
            plus = next(++at, '+');
            continue;
        }
        const int high = end - at > 2 ? hexValue(static_cast<unsigned char>(at[1])) : -1;
        const int low = end - at > 2 ? hexValue(static_cast<unsigned char>(at[2])) : -1;
        if (high >= 0 && low >= 0) {
            *out++ = static_cast<char>(high * 16 + low);
            at += 3;
        } else {
            *out++ = '%';
            ++at;
        }
        percent = next(at, '%');
    }
    text.resize(static_cast<std::size_t>(out - begin));
}

}  // namespace

std::string percentDecode(std::string_view text) {
    std::string decoded(text);
    percentDecodeInPlace(decoded);
    return decoded;
}

std::string decodeAnswer(std::string body) {
    percentDecodeInPlace(body);
    return body;
}

std::string trimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string encodeQueryValue(std::string_view value) {
    // Characters a query may carry that no service reads as structure: ids, lists ("1,2"),
    // addresses ("a@b.c;d@e.f") and domains stay readable in the request line.
    static constexpr std::string_view kKept = "-._~!$'()*,;:@/";
    std::string out;
    out.reserve(value.size());
    for (const char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if (isAsciiAlnum(c) || kKept.find(ch) != std::string_view::npos) {
            out.push_back(ch);
        } else {
            appendPercent(out, c);
        }
    }
    return out;
}

namespace {

template <typename Int>
Int parseLeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isWhiteSpace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate as a negative number so that the minimum fits.
    constexpr Int kMin = std::numeric_limits<Int>::min();
    constexpr Int kMax = std::numeric_limits<Int>::max();
    Int value = 0;
    bool clamped = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const Int digit = text[i] - '0';
        if (value < (kMin + digit) / 10) {
            clamped = true;
            break;
        }
        value = value * 10 - digit;
    }
    if (negative)
        return clamped ? kMin : value;
    if (clamped || value == kMin)
        return kMax;
    return -value;
}

}  // namespace

std::int32_t toInt32(std::string_view text) {
    return parseLeadingInteger<std::int32_t>(text);
}

std::int64_t toInt64(std::string_view text) {
    return parseLeadingInteger<std::int64_t>(text);
}

}  // namespace nubexa
