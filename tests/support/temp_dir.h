#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace nubexa::test {

// A fresh folder under $TMPDIR, removed with everything in it when the object ends.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing slash.
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Writes `bytes` to `path`, replacing the file.
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

// Polls `condition` until it holds or `limit` passes; returns whether it held.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace nubexa::test
