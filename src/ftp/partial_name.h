#pragma once

#include <string>

namespace nubexa {

// An unfinished download lives beside its target as ".NAME.nubexa-part" (hidden, and plainly
// not the finished file) and takes NAME only when it is complete. A name too long for that
// form uses its MD5 in place of NAME.
std::string partialNameOf(const std::string& fileName);

// Whether a folder entry is the unfinished file of some download.
bool isPartialName(const std::string& entryName);

// Removes the unfinished file of the download of `folder`/`fileName`, if there is one.
void removePartialOf(const std::string& folder, const std::string& fileName);

}  // namespace nubexa
