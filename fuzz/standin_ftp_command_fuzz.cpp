// Control-connection bytes as any FTP client could send them to the stand-in: read into
// command lines by the line reader and the arguments taken apart as folder and file paths.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "standin/ftp/ftp_path.h"
#include "standin/ftp/socket_io.h"

namespace {

using namespace nubexa::standin;

void checkPath(const FtpPath& path, const std::string& argument) {
    for (const auto& folder : path.folders) {
        // Every piece is one name: a separator inside one could walk where the path does not.
        if (folder.empty() || folder.find_first_of("/\\") != std::string::npos)
            std::abort();
    }
    if (path.name.find_first_of("/\\") != std::string::npos)
        std::abort();
    if (path.absolute != (!argument.empty() && (argument[0] == '/' || argument[0] == '\\')))
        std::abort();
    // What PWD prints reads back as the same folders.
    if (parseFolderPath(printablePath(path.folders)).folders != path.folders)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const StopSignal stop;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return 0;
    Socket reading(ends[0]);
    {
        // Inputs are far below a socket buffer, so the whole input fits before anyone reads.
        const Socket writing(ends[1]);
        if (writing.sendAll(reinterpret_cast<const char*>(data), size, 1000, stop) !=
            IoResult::Done) {
            return 0;
        }
    }
    LineReader reader;
    std::string line;
    bool tooLong = false;
    while (reader.readLine(reading, line, tooLong, 1000, stop) == IoResult::Done) {
        if (line.size() > LineReader::kMaxLine || line.find('\n') != std::string::npos)
            std::abort();
        const std::size_t space = line.find(' ');
        const std::string argument = space == std::string::npos ? "" : line.substr(space + 1);
        checkPath(parseFolderPath(argument), argument);
        checkPath(parseFilePath(argument), argument);
    }
    return 0;
}
