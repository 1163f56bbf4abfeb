#pragma once

#include <string>

#include "standin/util/outcome.h"

namespace nubexa::standin {

// The data folder holds passwords, session tokens, reset links and uploads: every folder the
// service makes is its owner's alone (0700), every file too (0600), whatever the umask.

// Makes `path` and the folders above it that are missing, each one 0700.
Outcome makePrivateFolders(const std::string& path);

// Writes `bytes` to a new file beside `path` (0600, made here, so it has no earlier file's
// mode) and renames it over `path`.
Outcome writePrivateFile(const std::string& path, const std::string& bytes);

// Takes every permission of group and others from `path` and, when it is a folder, from
// everything below it; links are neither followed nor changed. How many entries were changed;
// `problem` tells the first one that could not be.
int tightenTree(const std::string& path, std::string& problem);

}  // namespace nubexa::standin
