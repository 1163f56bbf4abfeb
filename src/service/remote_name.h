#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace nubexa {

// The service's rule for the names of folders and files, as the client knows it, and the
// mapping that lets any ordinary local name pass it. Pure functions, safe on any thread.

inline constexpr std::size_t kMaxRemoteNameBytes = 255;
// Longest extension the service keeps apart from the name, without its dot.
inline constexpr std::size_t kMaxRemoteExtBytes = 31;

// Why the service would refuse `name` for a folder, or for a file with its extension; empty
// when it accepts it. Refused: empty, "." and "..", over 255 bytes, not UTF-8, control
// characters, any of \ / : * ? " < > |, a blank at either end.
std::string remoteNameProblem(std::string_view name);

// A local name made acceptable to the service.
struct RemoteName {
    std::string name;      // what the service gets; empty when `problem` is set
    bool changed = false;  // some character was replaced
    std::string problem;   // why the name cannot be sent at all; empty when it can
    bool ok() const { return problem.empty(); }
};

// Replaces what the rule refuses by its full-width look-alike (＼ ／ ： ＊ ？ ＂ ＜ ＞ ｜), a
// blank at either end by U+3000 and a control character by its picture (U+2400 + c, U+2421
// for DEL; other controls by U+FFFD). Never mapped back: the full-width forms are ordinary
// text. Names that are not UTF-8, "." / "..", or too long once mapped cannot be sent.
RemoteName mapToRemoteName(std::string_view local);

// How a file name is registered: (name, extension with its dot). The extension starts at the
// last dot when there is text on both sides of it and both halves fit the service's rule
// (the extension at most 31 bytes); otherwise the whole name is the name: ".gitignore", "name." and
// "noext" have no extension, "archive.tar.gz" has ".gz", "a..b" has ".b".
std::pair<std::string, std::string> splitRemoteName(std::string_view fileName);

// Whole, shortest-form UTF-8 without surrogates.
bool isUtf8(std::string_view text);

// `text` in Unicode normal form C ("é" as one code point, as most systems write it; macOS
// writes names decomposed). Text that is not UTF-8 is returned as it is.
std::string toNfc(std::string_view text);

// A name from the service as one entry of a local folder: in form C, with what a local file
// system cannot hold replaced ('/' and '\\' by their full-width forms, control characters by
// their pictures, bytes that are not UTF-8 by U+FFFD), "." and ".." and the empty name
// prefixed with "_", and cut to 255 bytes keeping the extension. `changed` when it differs from
// the service's name beyond the normal form.
struct LocalName {
    std::string name;
    bool changed = false;
};
LocalName localNameFor(std::string_view remote);

// The n-th (n >= 2) free alternative of a taken local name: "name (n).ext", within 255 bytes.
std::string numberedLocalName(const std::string& name, int n);

}  // namespace nubexa
