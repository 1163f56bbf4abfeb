#pragma once

#include <string>
#include <vector>

namespace nubexa::standin {

// A path as FTP clients write it: "\" and "/" both separate, a leading one starts at the
// root ("\", "//" and "/" are the root), empty pieces are ignored.
struct FtpPath {
    bool absolute = false;
    std::vector<std::string> folders;  // the folders to walk
    std::string name;                  // the last piece, for file commands; empty for folders
};

// For CWD and LIST: every piece is a folder.
FtpPath parseFolderPath(const std::string& argument);
// For RETR, STOR, SIZE, RNFR: the last piece is the file name.
FtpPath parseFilePath(const std::string& argument);

// "/photos/trip" for PWD; "/" for the root.
std::string printablePath(const std::vector<std::string>& names);

}  // namespace nubexa::standin
