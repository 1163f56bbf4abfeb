#include "ftp/partial_name.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/md5_digest.h"

namespace nubexa {

namespace {

constexpr const char* kSuffix = ".nubexa-part";
constexpr std::size_t kSuffixLength = 12;
constexpr std::size_t kLongestEntry = 255;  // NAME_MAX of the usual file systems

}  // namespace

std::string partialNameOf(const std::string& fileName) {
    if (1 + fileName.size() + kSuffixLength <= kLongestEntry)
        return "." + fileName + kSuffix;
    Md5Digest digest;
    digest.update(fileName.data(), fileName.size());
    return "." + digest.hexUpper() + kSuffix;
}

bool isPartialName(const std::string& entryName) {
    return entryName.size() > 1 + kSuffixLength && entryName.front() == '.' &&
           entryName.compare(entryName.size() - kSuffixLength, kSuffixLength, kSuffix) == 0;
}

void removePartialOf(const std::string& folder, const std::string& fileName) {
    if (folder.empty() || fileName.empty())
        return;
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    // Relative to the folder and never through a link: only our own file goes.
    ::unlinkat(descriptor, partialNameOf(fileName).c_str(), 0);
    ::close(descriptor);
}

}  // namespace nubexa
