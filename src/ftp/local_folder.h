#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace nubexa {

// The local folder a download writes into, held open: every later step (open, size, rename)
// acts on this folder even when its path is changed meanwhile. Owned by one transfer thread.
class LocalFolder {
public:
    LocalFolder() = default;
    ~LocalFolder() { close(); }
    LocalFolder(const LocalFolder&) = delete;
    LocalFolder& operator=(const LocalFolder&) = delete;

    // How the folders below the root are reached: by the kernel (openat2 with RESOLVE_BENEATH
    // and RESOLVE_NO_SYMLINKS) where it can, else one component at a time with O_NOFOLLOW.
    enum class Walk { kAuto, kComponentByComponent };
    // Opens `root` as given (a link the user chose is followed), then `below` ("a/b/", may be
    // empty) inside it without following any link and without leaving it: a subfolder swapped
    // for a link makes the open fail instead of sending the bytes where the link points.
    bool open(const std::string& root, const std::string& below, Walk walk = Walk::kAuto);
    void close();
    int descriptor() const { return m_descriptor; }

    enum class Entry { kAbsent, kFile, kOther };
    // What is at `name` (a link counts as kOther and is never followed).
    Entry entry(const std::string& name) const;
    std::optional<std::int64_t> sizeOf(const std::string& name) const;
    // Gives `from` the name `to` unless something is there (errno EEXIST then).
    bool renameNoReplace(const std::string& from, const std::string& to) const;
    bool remove(const std::string& name) const;

private:
    int m_descriptor = -1;
};

}  // namespace nubexa
