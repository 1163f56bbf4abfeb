#include "standin/ftp/ftp_path.h"

namespace nubexa::standin {

FtpPath parseFolderPath(const std::string& argument) {
    FtpPath path;
    path.absolute = !argument.empty() && (argument.front() == '/' || argument.front() == '\\');
    std::string piece;
    for (const char c : argument) {
        if (c == '/' || c == '\\') {
            if (!piece.empty())
                path.folders.push_back(piece);
            piece.clear();
        } else {
            piece.push_back(c);
        }
    }
    if (!piece.empty())
        path.folders.push_back(piece);
    return path;
}

FtpPath parseFilePath(const std::string& argument) {
    FtpPath path = parseFolderPath(argument);
    if (!path.folders.empty()) {
        path.name = path.folders.back();
        path.folders.pop_back();
    }
    return path;
}

std::string printablePath(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& name : names)
        text += "/" + name;
    return text.empty() ? "/" : text;
}

}  // namespace nubexa::standin
