#include "service/remote_name.h"

#include <utf8proc.h>

#include <cstdlib>

namespace nubexa {

namespace {

constexpr std::string_view kRefusedCharacters = "\\/:*?\"<>|";

// Each refused character's full-width look-alike, in the order of kRefusedCharacters.
constexpr char32_t kFullWidth[] = {0xFF3C, 0xFF0F, 0xFF1A, 0xFF0A, 0xFF1F,
                                   0xFF02, 0xFF1C, 0xFF1E, 0xFF5C};

bool isControl(char32_t cp) {
    return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0) || cp == 0x2028 || cp == 0x2029;
}

void appendUtf8(std::string& out, char32_t cp) {
    utf8proc_uint8_t bytes[4];
    const auto length = utf8proc_encode_char(static_cast<utf8proc_int32_t>(cp), bytes);
    out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
}

// Calls `visit` with each code point of valid UTF-8; false when the text is not valid.
template <typename Visit>
bool forEachCodePoint(std::string_view text, Visit&& visit) {
    const auto* at = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    auto left = static_cast<utf8proc_ssize_t>(text.size());
    while (left > 0) {
        utf8proc_int32_t cp = 0;
        const auto used = utf8proc_iterate(at, left, &cp);
        if (used <= 0 || cp < 0)
            return false;
        visit(static_cast<char32_t>(cp));
        at += used;
        left -= used;
    }
    return true;
}

char32_t replacementFor(char32_t cp) {
    if (cp < 0x20)
        return 0x2400 + cp;
    if (cp == 0x7F)
        return 0x2421;
    if (isControl(cp))
        return 0xFFFD;
    if (cp < 0x80) {
        const auto at = kRefusedCharacters.find(static_cast<char>(cp));
        if (at != std::string_view::npos)
            return kFullWidth[at];
    }
    return cp;
}

}  // namespace

bool isUtf8(std::string_view text) {
    return forEachCodePoint(text, [](char32_t) {});
}

std::string remoteNameProblem(std::string_view name) {
    if (name.empty())
        return "名称不能为空";
    if (name.size() > kMaxRemoteNameBytes)
        return "名称太长";
    bool control = false;
    if (!forEachCodePoint(name, [&](char32_t cp) { control = control || isControl(cp); }) ||
        control)
        return "名称含有无效字符";
    if (name.find_first_of(kRefusedCharacters) != std::string_view::npos)
        return "名称不能包含下列字符：\\ / : * ? \" < > |";
    if (name == "." || name == "..")
        return "名称无效";
    if (name.front() == ' ' || name.back() == ' ')
        return "名称首尾不能是空格";
    return {};
}

RemoteName mapToRemoteName(std::string_view local) {
    RemoteName mapped;
    if (local.empty() || local == "." || local == "..") {
        mapped.problem = "名称无效";
        return mapped;
    }
    std::string out;
    out.reserve(local.size());
    if (!forEachCodePoint(local, [&](char32_t cp) { appendUtf8(out, replacementFor(cp)); })) {
        mapped.problem = "名称不是有效的UTF-8文本";
        return mapped;
    }
    // Only the blank at each end: inner blanks are fine, and one wide blank is enough to keep
    // the name from starting or ending with a plain one.
    if (out.front() == ' ')
        out.replace(0, 1, "\u3000");
    if (out.back() == ' ')
        out.replace(out.size() - 1, 1, "\u3000");
    if (out.size() > kMaxRemoteNameBytes) {
        mapped.problem = "名称太长（网盘最多255字节）";
        return mapped;
    }
    mapped.changed = out != local;
    mapped.name = std::move(out);
    return mapped;
}

std::pair<std::string, std::string> splitRemoteName(std::string_view fileName) {
    const auto dot = fileName.rfind('.');
    const auto whole = std::make_pair(std::string(fileName), std::string());
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == fileName.size())
        return whole;
    // The service checks both halves on their own as well.
    const std::string_view ext = fileName.substr(dot + 1);
    if (ext.size() > kMaxRemoteExtBytes || !remoteNameProblem(ext).empty() ||
        !remoteNameProblem(fileName.substr(0, dot)).empty())
        return whole;
    return {std::string(fileName.substr(0, dot)), std::string(fileName.substr(dot))};
}

namespace {

// True when every character of `text` is one that NFC leaves alone and that composes with
// nothing: ASCII, the CJK ideographs, CJK punctuation and the full-width forms, which make up
// nearly every name here. Others go through the full normalisation.
bool plainlyComposed(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        if (bytes[i] < 0x80) {
            ++i;
            continue;
        }
        if (i + 2 >= text.size() || (bytes[i] & 0xF0) != 0xE0 || (bytes[i + 1] & 0xC0) != 0x80 ||
            (bytes[i + 2] & 0xC0) != 0x80)
            return false;
        const unsigned code =
            (bytes[i] & 0x0Fu) << 12 | (bytes[i + 1] & 0x3Fu) << 6 | (bytes[i + 2] & 0x3Fu);
        const bool stable =
            (code >= 0x4E00 && code <= 0x9FFF) || (code >= 0x3000 && code <= 0x3029) ||
            (code >= 0x3030 && code <= 0x303F) || (code >= 0xFF01 && code <= 0xFF60);
        if (!stable)
            return false;
        i += 3;
    }
    return true;
}

}  // namespace

std::string toNfc(std::string_view text) {
    if (plainlyComposed(text))
        return std::string(text);
    if (!isUtf8(text))
        return std::string(text);
    utf8proc_uint8_t* composed =
        utf8proc_NFC(reinterpret_cast<const utf8proc_uint8_t*>(std::string(text).c_str()));
    if (composed == nullptr)
        return std::string(text);
    std::string out(reinterpret_cast<const char*>(composed));
    std::free(composed);
    return out;
}

namespace {

constexpr std::size_t kMaxLocalNameBytes = 255;

// The longest prefix of `text` of at most `bytes` bytes that ends on a character boundary.
std::string_view cutUtf8(std::string_view text, std::size_t bytes) {
    if (text.size() <= bytes)
        return text;
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

// `name` with `mark` put before its extension, cut before them to fit 255 bytes. A long
// extension is no extension here: the name's own text matters more.
std::string fitLocalName(const std::string& name, const std::string& mark = {}) {
    if (mark.empty() && name.size() <= kMaxLocalNameBytes)
        return name;
    const auto dot = name.rfind('.');
    const bool hasExt = dot != std::string::npos && dot > 0 &&
                        name.size() - dot <= kMaxRemoteExtBytes + 1 &&
                        name.size() - dot + mark.size() < kMaxLocalNameBytes / 2;
    const std::string stem = hasExt ? name.substr(0, dot) : name;
    const std::string ext = hasExt ? name.substr(dot) : std::string();
    return std::string(cutUtf8(stem, kMaxLocalNameBytes - ext.size() - mark.size())) + mark + ext;
}

}  // namespace

LocalName localNameFor(std::string_view remote) {
    LocalName local;
    std::string out;
    out.reserve(remote.size());
    // Byte by byte where the text is not UTF-8: every valid character is kept.
    std::size_t at = 0;
    while (at < remote.size()) {
        utf8proc_int32_t cp = 0;
        const auto used =
            utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(remote.data() + at),
                             static_cast<utf8proc_ssize_t>(remote.size() - at), &cp);
        if (used <= 0 || cp < 0) {
            appendUtf8(out, 0xFFFD);
            ++at;
            continue;
        }
        at += static_cast<std::size_t>(used);
        const auto c = static_cast<char32_t>(cp);
        if (c == '/')
            appendUtf8(out, 0xFF0F);
        else if (c == '\\')
            appendUtf8(out, 0xFF3C);
        else if (c < 0x20 || c == 0x7F)
            appendUtf8(out, replacementFor(c));
        else
            appendUtf8(out, c);
    }
    out = toNfc(out);
    if (out.empty() || out == "." || out == "..")
        out = "_" + out;
    out = fitLocalName(out);
    local.changed = out != toNfc(remote);
    local.name = std::move(out);
    return local;
}

std::string numberedLocalName(const std::string& name, int n) {
    return fitLocalName(name, " (" + std::to_string(n) + ")");
}

}  // namespace nubexa
