#include "standin/util/text_util.h"

#include <locale.h>
#include <wctype.h>

#include <charconv>
#include <cstdio>
#include <ctime>

namespace nubexa::standin {

namespace {

// Decodes one code point at `pos` of valid UTF-8 and advances `pos`.
char32_t nextCodePoint(std::string_view text, std::size_t& pos) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
    char32_t cp = length == 1   ? byte
                  : length == 2 ? byte & 0x1F
                  : length == 3 ? byte & 0x0F
                                : byte & 0x07;
    for (int i = 1; i < length; ++i)
        cp = (cp << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
    pos += static_cast<std::size_t>(length);
    return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// One locale object for the whole process; towlower_l on it is thread-safe.
locale_t foldingLocale() {
    static const locale_t locale = [] {
        locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        return made != static_cast<locale_t>(nullptr)
                   ? made
                   : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
    }();
    return locale;
}

bool hasControl(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char32_t cp = nextCodePoint(text, pos);
        if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0) || cp == 0x2028 || cp == 0x2029)
            return true;
    }
    return false;
}

}  // namespace

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        if (b0 < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        char32_t minimum = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            length = 2;
            minimum = 0x80;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            length = 3;
            minimum = 0x800;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            length = 4;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(length) > text.size())
            return false;
        char32_t cp = b0 & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto b = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((b & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

std::string foldCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    if (!isValidUtf8(text)) {
        for (const char c : text)
            out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
        return out;
    }
    const locale_t locale = foldingLocale();
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char32_t cp = nextCodePoint(text, pos);
        const wint_t lower = towlower_l(static_cast<wint_t>(cp), locale);
        appendUtf8(out, static_cast<char32_t>(lower));
    }
    return out;
}

std::string percentDecode(std::string_view text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            out.push_back(' ');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string percentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
            b == '.' || b == '-' || b == '_') {
            out.push_back(c);
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

std::optional<std::int64_t> parseCount(std::string_view text) {
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

std::optional<std::vector<std::int64_t>> parseIdList(std::string_view text, std::size_t limit) {
    std::vector<std::int64_t> ids;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view piece = text.substr(start, end - start);
        if (!piece.empty()) {
            const auto id = parseCount(piece);
            if (!id || *id == 0 || ids.size() >= limit)
                return std::nullopt;
            ids.push_back(*id);
        }
        start = end + 1;
    }
    return ids;
}

Outcome checkItemName(std::string_view name) {
    if (name.empty())
        return Outcome::failure("名称不能为空");
    if (name.size() > 255)
        return Outcome::failure("名称太长");
    if (!isValidUtf8(name) || hasControl(name))
        return Outcome::failure("名称含有无效字符");
    if (name.find_first_of("\\/:*?\"<>|") != std::string_view::npos)
        return Outcome::failure("名称不能包含下列字符：\\ / : * ? \" < > |");
    if (name == "." || name == "..")
        return Outcome::failure("名称无效");
    if (name.front() == ' ' || name.back() == ' ')
        return Outcome::failure("名称首尾不能是空格");
    return Outcome::success();
}

Outcome checkExtension(std::string_view ext) {
    if (ext.empty())
        return Outcome::success();
    if (ext.size() < 2 || ext.size() > 32 || ext.front() != '.' ||
        ext.find('.', 1) != std::string_view::npos)
        return Outcome::failure("扩展名无效");
    return checkItemName(ext.substr(1));
}

Outcome checkPlainText(std::string_view text, std::size_t maxBytes, const char* what) {
    if (text.size() > maxBytes)
        return Outcome::failure(std::string(what) + "太长");
    if (!isValidUtf8(text) || hasControl(text))
        return Outcome::failure(std::string(what) + "含有无效字符");
    return Outcome::success();
}

std::string numberedName(const std::string& name, int n) {
    return name + " (" + std::to_string(n) + ")";
}

std::string timeText(std::int64_t epochSeconds) {
    const std::time_t t = static_cast<std::time_t>(epochSeconds);
    std::tm local{};
    localtime_r(&t, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    return buffer;
}

std::string dayText(std::int64_t epochSeconds) {
    return timeText(epochSeconds).substr(0, 10);
}

std::int64_t nowSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::vector<std::string> splitList(std::string_view text) {
    std::string unified(text);
    for (const std::string_view wide :
         {std::string_view("\xEF\xBC\x8C"), std::string_view("\xEF\xBC\x9B")}) {
        for (auto at = unified.find(wide); at != std::string::npos; at = unified.find(wide))
            unified.replace(at, wide.size(), ",");
    }
    std::vector<std::string> pieces;
    std::string current;
    for (const char c : unified) {
        if (c == ',' || c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!current.empty())
                pieces.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty())
        pieces.push_back(current);
    return pieces;
}

std::string sizeForPeople(std::int64_t bytes) {
    char buffer[48];
    const double value = static_cast<double>(bytes);
    if (bytes < 1024)
        std::snprintf(buffer, sizeof buffer, "%lld B", static_cast<long long>(bytes));
    else if (bytes < (1LL << 20))
        std::snprintf(buffer, sizeof buffer, "%0.2f KB", value / 1024.0);
    else if (bytes < (1LL << 30))
        std::snprintf(buffer, sizeof buffer, "%0.2f MB", value / 1048576.0);
    else
        std::snprintf(buffer, sizeof buffer, "%0.2f GB", value / 1073741824.0);
    return buffer;
}

}  // namespace nubexa::standin
