#pragma once

#include <string>

namespace nubexa {

// The desktop's trash (the freedesktop.org home trash): files moved there keep where they came
// from in a .trashinfo beside them, so the desktop's file manager can put them back.
class LocalTrash {
public:
    // `folder`: the trash's own folder ($XDG_DATA_HOME/Trash); empty: the user's.
    explicit LocalTrash(std::string folder = {});

    // Moves `path` into the trash. False with `why` when it could not be moved; the file is then
    // where it was. A file on another file system than the trash is not moved (no copy and
    // delete: a copy cut short would be the only one left).
    bool moveIn(const std::string& path, std::string& why) const;

    const std::string& folder() const { return m_folder; }

private:
    std::string m_folder;
};

}  // namespace nubexa
