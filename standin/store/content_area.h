#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "standin/util/outcome.h"

namespace nubexa::standin {

// The file contents under the data folder. Names on disk are made from ids and digests only,
// never from a name a user chose, so no user input can reach outside these folders:
//   content/<account>/<file id>       finalised files
//   staging/<account>/<digest>.part   uploads in progress, keyed by (folder, stored name)
//   avatars/<account>.png             avatar pictures
//   outbox/                           e-mail shares, one message file each
// Thread-safe.
class ContentArea {
public:
    explicit ContentArea(std::string dataFolder);

    // Creates the folders.
    Outcome prepare() const;

    std::string contentPath(std::int64_t accountId, std::int64_t fileId) const;
    std::string stagingPath(std::int64_t accountId, std::int64_t folderId,
                            const std::string& storedName) const;
    std::string avatarPath(std::int64_t accountId) const;
    std::string outboxFolder() const { return m_root + "outbox/"; }

    // Writes through a temporary file and a rename, creating the file's folder.
    Outcome writeWhole(const std::string& path, const std::string& bytes) const;
    // Moves a staged upload to its content place (same file system).
    Outcome moveInto(const std::string& from, const std::string& to) const;
    void remove(const std::string& path) const;

    // Size of a file, or nullopt when it does not exist.
    static std::optional<std::int64_t> sizeOf(const std::string& path);

    // One staged upload is written by one file-server session at a time.
    class Claim {
    public:
        Claim(Claim&& other) noexcept;
        ~Claim();
        Claim(const Claim&) = delete;
        Claim& operator=(const Claim&) = delete;

    private:
        friend class ContentArea;
        Claim(const ContentArea* area, std::string path) : m_area(area), m_path(std::move(path)) {}
        const ContentArea* m_area;
        std::string m_path;
    };
    std::optional<Claim> claim(const std::string& stagingPath) const;

private:
    std::string m_root;
    mutable std::mutex m_mutex;
    mutable std::set<std::string> m_claimed;
};

}  // namespace nubexa::standin
