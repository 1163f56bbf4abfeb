#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "service/account_info.h"
#include "service/disk_entries.h"
#include "service/request_frame.h"
#include "service/service_config.h"

namespace nubexa {

class AttributeAnswer;
class MarkupNavigator;
class Notifier;
class SignedQuery;
class StoreGate;

// The client of the service's web API: every operation is one signed GET (or a bounded few when
// no answer comes) whose XML answer is read into a result, AccountInfo or the listing tables.
// Operation names are spelled as the service spells them.
//
// Threads: every operation blocks its caller for the request (3 s per attempt at most, three
// attempts for those that repeat). Any thread may call any operation:
// - the item operations, FileAdd included, and AddDrawDiskSize are const: they use only their
//   arguments and the immutable configuration, so transfer threads call FileAdd with their own
//   copies of uid and token while the UI thread signs in or lists;
// - operations that store what they read (sign-in, GetUserInfo, the listings, Announcement)
//   take the client's lock only to store, never across the network; each table or record is
//   replaced atomically with respect to readers.
// Readers take copies (account(), tables(), announcements()) or read under the lock
// (readTables); AccountInfo is changed from outside only through updateAccount.
//
// Failure values: when no answer comes after the attempts, or the answer is not a well-formed
// UTF-8 XML document, int operations return 0 (GetFolders -1) and text operations the text
// their refusal gives; nothing is stored. RequestFrame::lastSendAnswered() then tells the
// calling thread whether the network failed.
class ServiceClient {
public:
    // programFolder: where "image/userFile/" holds the avatars (ends with '/').
    ServiceClient(ServiceConfig config, std::string programFolder, FrameOptions options = {});
    ServiceClient(const ServiceClient&) = delete;
    ServiceClient& operator=(const ServiceClient&) = delete;

    const ServiceConfig& config() const { return m_config; }
    const RequestFrame& frame() const { return m_frame; }

    AccountInfo account() const;
    void updateAccount(const std::function<void(AccountInfo&)>& change);
    DiskTables tables() const;
    void readTables(const std::function<void(const DiskTables&)>& reader) const;
    Announcements announcements() const;

    // Sign-in ----------------------------------------------------------------------------
    // 1 signed in; 0 refused (AccountInfo untouched). Sent without token and sign.
    int Login(const std::string& account, const std::string& password);
    // 1 signed in through the web sign-in of `sid` (then GetUserInfo and the root GetFiles
    // have run); 0 not (yet).
    int APILogin();
    // 1 when the "user" element was read.
    int GetUserInfo(const std::string& uid, const std::string& token);
    // Leaves the account; draws a new sid. Always 1.
    int ResetAccount();

    // Listings (into the tables) ---------------------------------------------------------
    // 0 when "result" is there but "files" or "folders" cannot be entered, else 1.
    int GetFiles(const std::string& uid, const std::string& token, const std::string& dir,
                 const std::string& order, const std::string& desc);
    int GetNewUploadFiles(const std::string& uid, const std::string& token,
                          const std::string& order, const std::string& desc);
    int GetRecycleFiles(const std::string& uid, const std::string& token, const std::string& order,
                        const std::string& desc);
    int GetShareFiles(const std::string& uid, const std::string& token, const std::string& order,
                      const std::string& desc);
    // Sent once; no answer reads as an answer without lists (1).
    int GetLinkFiles(const std::string& uid, const std::string& token, const std::string& order,
                     const std::string& desc);
    // 1 for any readable answer; a search without hits shows one placeholder row.
    int FileSearch(const std::string& uid, const std::string& token, const std::string& order,
                   const std::string& desc, const std::string& keyword);
    // The whole folder tree into `tree` (cleared and refilled). Fetched once per sign-in; later
    // calls read the kept answer whatever currentdirid is. 0, or -1 when nothing could be read
    // (tree untouched).
    int GetFolders(const std::string& uid, const std::string& token,
                   const std::string& currentdirid, FolderTree& tree);
    // Folder download: creates localRoot/folderName/ and every folder below it, and queues one
    // waiting download row per file (one transaction). 0 when that local folder exists already
    // ("要下载的文件夹已经存在，请改名后再下载！") or nothing could be read; else 1. Entries
    // whose path or name would leave localRoot/folderName are skipped and reported on stderr.
    int GetFilesWhitPath(const std::string& uid, const std::string& token, const std::string& dir,
                         const std::string& order, const std::string& desc,
                         const std::string& localRoot, const std::string& folderName,
                         StoreGate& gate, Notifier& notifier);

    // Item operations: 1 when "result" is "1", else 0, unless stated --------------------
    int FolderMove(const std::string& uid, const std::string& token, const std::string& dirids,
                   const std::string& targetDirid) const;  // sent once
    int FolderRename(const std::string& uid, const std::string& token, const std::string& dirid,
                     const std::string& newname) const;
    int FolderAndFileRestore(const std::string& uid, const std::string& token,
                             const std::string& dirids, const std::string& fids) const;
    int FolderEncrypt(const std::string& uid, const std::string& token, const std::string& dirid,
                      const std::string& password, const std::string& passwordTip) const;
    int FolderDecrypt(const std::string& uid, const std::string& token, const std::string& dirid,
                      const std::string& password) const;
    // The text of "result" ("1" = shared); "0" when there is none.
    std::string FolderShare(const std::string& uid, const std::string& token,
                            const std::string& dirids, const std::string& downpwd,
                            const std::string& downValue, const std::string& description) const;
    int FolderShareCancle(const std::string& uid, const std::string& token,
                          const std::string& dirids) const;
    // newId takes the "folder" id whenever the answer has one, even when refused.
    int FolderAdd(const std::string& uid, const std::string& token, const std::string& pid,
                  const std::string& name, std::string& newId) const;
    int FolderAdd(const std::string& uid, const std::string& token, const std::string& pid,
                  const std::string& name) const;
    int FolderDelete(const std::string& uid, const std::string& token, const std::string& dirids,
                     const std::string& isReal) const;
    // Texts: the attribute when accepted, else empty.
    std::string GetFolderShareLink(const std::string& uid, const std::string& token,
                                   const std::string& dirid) const;
    std::string GetFolderEmailShareInfo(const std::string& uid, const std::string& token,
                                        const std::string& dirid) const;
    // Registers an uploaded file; signed over `hash` alone. On 1 newId is the file's id
    // (empty when the answer names none). Safe on any thread.
    int FileAdd(const std::string& uid, const std::string& token, const std::string& name,
                const std::string& ext, const std::string& size, const std::string& dirid,
                const std::string& hash, std::string& newId) const;
    int FileMove(const std::string& uid, const std::string& token, const std::string& fids,
                 const std::string& targetDirid) const;  // sent once
    int FileRename(const std::string& uid, const std::string& token, const std::string& fid,
                   const std::string& newname) const;
    int FileDelete(const std::string& uid, const std::string& token, const std::string& fids,
                   const std::string& isReal) const;
    int FileEncrypt(const std::string& uid, const std::string& token, const std::string& fid,
                    const std::string& password, const std::string& passwordTip) const;
    int FileDecrypt(const std::string& uid, const std::string& token, const std::string& fid,
                    const std::string& password) const;
    std::string FileShare(const std::string& uid, const std::string& token, const std::string& fids,
                          const std::string& downpwd, const std::string& downValue,
                          const std::string& description) const;
    int FileShareCancle(const std::string& uid, const std::string& token,
                        const std::string& fids) const;
    // "1" on success, else the text of "msg"; "0" when there is no "result".
    std::string FileEmailShare(const std::string& uid, const std::string& token,
                               const std::string& fid, const std::string& to) const;
    int FileOutLinkSetting(const std::string& uid, const std::string& token, const std::string& fid,
                           const std::string& linkName, const std::string& domain) const;
    int CancleFileOutLink(const std::string& uid, const std::string& token,
                          const std::string& fids) const;
    std::string GetFileOutLink(const std::string& uid, const std::string& token,
                               const std::string& fid) const;
    std::string GetFileShareLink(const std::string& uid, const std::string& token,
                                 const std::string& fid) const;
    std::string GetFileEmailShareInfo(const std::string& uid, const std::string& token,
                                      const std::string& fid) const;
    // The link name, or linkkey + "/" + id when it has none; domainOut takes "domain".
    // Empty text (domainOut untouched) when refused.
    std::string GetFileOutLinkInfo(const std::string& uid, const std::string& token,
                                   const std::string& fid, std::string& domainOut) const;
    int ClearBin(const std::string& uid, const std::string& token) const;

    // Account extras ---------------------------------------------------------------------
    int AddDrawDiskSize(const std::string& uid, const std::string& token,
                        const std::string& size) const;
    // The notices into announcements(); always empty text.
    std::string Announcement(const std::string& uid, const std::string& token);

    // 20 characters of [0-9A-Za-z] from the system's random source.
    static std::string drawSid();

private:
    enum class SignInKind { kPassword, kWeb };

    // A signed request to "/fileservice.asmx/<operation>" starting with uid and token.
    static SignedQuery itemQuery(const char* operation, const std::string& uid,
                                 const std::string& token);
    // Sends and reads the answer by attributes; false when no readable answer came.
    bool fetchAttributes(const std::string& url, Repeat repeat, AttributeAnswer& answer) const;
    int judged(const SignedQuery& query, Repeat repeat = Repeat::kBounded) const;
    std::string resultText(const SignedQuery& query) const;
    std::string acceptedAttribute(const SignedQuery& query, const char* element,
                                  const char* attribute) const;

    void storeSignIn(const AttributeAnswer& answer, SignInKind kind);

    enum class ListingKind { kFolder, kOther };
    int fillListing(const SignedQuery& query, ListingKind kind, Repeat repeat);

    const ServiceConfig m_config;
    const std::string m_programFolder;
    const RequestFrame m_frame;

    mutable std::mutex m_mutex;  // guards everything below; never held across the network
    AccountInfo m_account;
    DiskTables m_tables;
    Announcements m_announcements;
    std::uint64_t m_signInGeneration = 0;  // GetFolders keeps its answer only for its sign-in
};

}  // namespace nubexa
