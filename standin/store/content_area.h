#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "standin/util/crypto_util.h"
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
    // Uploads are refused while the data folder's disk has less than `minFreeDisk` available.
    explicit ContentArea(std::string dataFolder, std::int64_t minFreeDisk = 0);

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

    // Bytes the account keeps in staging, not counting `except` (the upload being written).
    std::int64_t stagedBytes(std::int64_t accountId, const std::string& except) const;
    // Sets the staged size of `path` (an upload being written) to `size` when the account's
    // staged bytes then stay within `room`; otherwise changes nothing and answers false. Every
    // session of the account counts here as its bytes arrive, so parallel uploads share one room.
    bool growStaged(std::int64_t accountId, const std::string& path, std::int64_t size,
                    std::int64_t room) const;
    // Whether the disk under the data folder is too full to take new uploads.
    bool diskNearlyFull() const;
    // Removes staged uploads untouched for `maxAge` that no session is writing; how many.
    int pruneStaging(std::chrono::seconds maxAge) const;

    // The MD5 of a staged upload is kept as its bytes arrive, so finishing it needs no second
    // pass over the file. Call with the upload claimed. The state is only trusted while the
    // file is exactly as it was left (size, change time, inode); otherwise it is read again.
    void keepDigest(const std::string& stagingPath, const Md5Stream& digest) const;
    // The kept state when the file now holds exactly `size` bytes as left; else nullopt.
    std::optional<Md5Stream> digestAt(const std::string& stagingPath, std::int64_t size) const;
    // The MD5 of the whole staged file, from the kept state when it is valid.
    std::string stagedMd5(const std::string& stagingPath) const;
    void forgetDigest(const std::string& stagingPath) const;

private:
    struct KeptDigest {
        std::int64_t size = 0;
        std::int64_t changeNs = 0;
        std::uint64_t inode = 0;
        Md5Stream state;
    };
    std::optional<Md5Stream> validDigest(const std::string& stagingPath,
                                         std::optional<std::int64_t> size) const;
    // The account of a path under staging/, or nullopt for any other path.
    std::optional<std::int64_t> stagingAccount(const std::string& path) const;
    // Brings the kept size of `path` in line with the disk, when it is a staged upload of an
    // account whose sizes are kept.
    void refreshStagedSize(const std::string& path) const;
    // The account's staged sizes, read from its folder on first use. Call with m_mutex held.
    std::map<std::string, std::int64_t>& stagedSizesLocked(std::int64_t accountId) const;
    std::int64_t stagedBytesLocked(std::int64_t accountId, const std::string& except) const;

    std::string m_root;
    std::int64_t m_minFreeDisk;
    mutable std::mutex m_mutex;
    mutable std::set<std::string> m_claimed;
    mutable std::map<std::string, KeptDigest> m_digests;
    // Kept as uploads are written, finished and dropped, so that checking the staging cap on
    // every upload does not list the account's staging folder each time.
    mutable std::map<std::int64_t, std::map<std::string, std::int64_t>> m_stagedSizes;
};

}  // namespace nubexa::standin
