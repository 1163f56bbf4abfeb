#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "service/account_info.h"
#include "service/disk_entries.h"
#include "service/folder_listing.h"
#include "service/listing_request.h"
#include "service/request_frame.h"
#include "service/service_config.h"
#include "service/service_result.h"

namespace nubexa {

class AttributeAnswer;
class MarkupNavigator;
class SignedQuery;

// The client of the service's web API: every operation is one signed GET (or a bounded few when
// no answer comes) whose XML answer is read into a result, AccountInfo or the listing tables.
// Operation names are spelled as the service spells them; each has a form that returns a
// ServiceResult (the value and why it failed) for callers that must tell a refusal from the
// network failing.
//
// Threads: every operation blocks its caller for the request (3 s per attempt at most, three
// attempts for those that repeat) unless stopRequests() ends it. Any thread may call any member:
// - the item operations, FileAdd included, and AddDrawDiskSize are const: they use only their
//   arguments and the immutable configuration, so transfer threads call FileAdd with their own
//   copies of uid and token while the UI thread signs in or lists;
// - operations that store what they read (sign-in, GetUserInfo, the listings, Announcement)
//   take the client's lock only to store, never across the network;
// - each listing takes a number and the sign-in generation when it is sent; its answer is stored
//   only when no later listing has been stored and nobody signed in or out meanwhile
//   (otherwise kStale, tables untouched), so answers arriving out of order never win.
// Readers take copies (account(), tablesSnapshot(), announcements()); no caller code ever runs
// under the client's lock, so callbacks may call back into the client.
//
// Failure values: when no answer comes after the attempts, or the answer is not a well-formed
// UTF-8 XML document, int operations return 0 (GetFolders -1) and text operations the text
// their refusal gives; nothing is stored.
class ServiceClient {
public:
    // programFolder: where "image/userFile/" holds the avatars (ends with '/').
    ServiceClient(ServiceConfig config, std::string programFolder, FrameOptions options = {});
    ServiceClient(const ServiceClient&) = delete;
    ServiceClient& operator=(const ServiceClient&) = delete;

    const ServiceConfig& config() const { return m_config; }
    const RequestFrame& frame() const { return m_frame; }

    // Ends every request in flight within a fraction of a second (kStopped) and refuses new
    // ones until resumeRequests(). For leaving the program and for tests.
    void stopRequests() { m_stop->store(true); }
    void resumeRequests() { m_stop->store(false); }

    AccountInfo account() const;
    // Applies `change` to a copy outside the lock and stores it when no other writer got in
    // between; otherwise runs `change` again on the newer account. So `change` may call any
    // member of the client, and must only set fields (it may run more than once).
    void updateAccount(const std::function<void(AccountInfo&)>& change);
    // The tables as the newest stored listing left them; never changes after it is returned.
    std::shared_ptr<const DiskTables> tablesSnapshot() const;
    DiskTables tables() const { return *tablesSnapshot(); }
    // Runs `reader` on a snapshot, outside the lock.
    void readTables(const std::function<void(const DiskTables&)>& reader) const;
    Announcements announcements() const;

    // Sign-in ----------------------------------------------------------------------------
    // value 1 signed in; 0 refused (AccountInfo untouched). Sent without token and sign.
    ServiceResult<int> signIn(const std::string& account, const std::string& password);
    // value 1 signed in through the web sign-in of `sid` (then GetUserInfo and the root
    // GetFiles have run); 0 not (yet).
    ServiceResult<int> webSignIn();
    // 1 when the "user" element was read.
    int GetUserInfo(const std::string& uid, const std::string& token);
    ServiceResult<int> fetchUserInfo(const std::string& uid, const std::string& token);
    // Leaves the account; draws a new sid. Always 1.
    int ResetAccount();

    // Listings (into the tables) ---------------------------------------------------------
    // The listing `request` asks for; value as the named operations below return.
    ServiceResult<int> fetchListing(const ListingRequest& request);
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
    // The whole folder tree. Fetched once per sign-in and after each folder change; later calls
    // read the kept answer whatever currentdirid is. A refusal is not kept.
    ServiceResult<FolderTree> GetFolders(const std::string& uid, const std::string& token,
                                         const std::string& currentdirid);
    // Everything below the disk folder `dir`, for a folder download (the transfer layer turns
    // it into local folders and rows). kRefused when the answer holds no "result"; missing
    // lists read as empty.
    ServiceResult<FolderListing> GetFilesWhitPath(const std::string& uid, const std::string& token,
                                                  const std::string& dir, const std::string& order,
                                                  const std::string& desc) const;
    // GetFilesWhitPath in brief, for comparing a whole tree (a sync round): given the time and
    // room a large tree's answer needs. kRefused when the service refused or the answer lacks a
    // list: a folder that could not be listed is never an empty one. Asked for once; `stop`
    // (null: none) ends it within about 50 ms, as kStopped.
    ServiceResult<TreeListing> treeBelow(const std::string& uid, const std::string& token,
                                         const std::string& dir,
                                         const std::atomic<bool>* stop = nullptr) const;

    // Item operations: 1 when "result" is "1", else 0, unless stated. `why`, when given, learns
    // what kept an operation from being accepted: no answer, or the service's reason. --------
    int FolderMove(const std::string& uid, const std::string& token, const std::string& dirids,
                   const std::string& targetDirid,
                   ServiceVerdict* why = nullptr) const;  // sent once
    int FolderRename(const std::string& uid, const std::string& token, const std::string& dirid,
                     const std::string& newname, ServiceVerdict* why = nullptr) const;
    int FolderAndFileRestore(const std::string& uid, const std::string& token,
                             const std::string& dirids, const std::string& fids,
                             ServiceVerdict* why = nullptr) const;
    int FolderEncrypt(const std::string& uid, const std::string& token, const std::string& dirid,
                      const std::string& password, const std::string& passwordTip,
                      ServiceVerdict* why = nullptr) const;
    int FolderDecrypt(const std::string& uid, const std::string& token, const std::string& dirid,
                      const std::string& password, ServiceVerdict* why = nullptr) const;
    // The text of "result" ("1" = shared); "0" when there is none.
    std::string FolderShare(const std::string& uid, const std::string& token,
                            const std::string& dirids, const std::string& downpwd,
                            const std::string& downValue, const std::string& description,
                            ServiceVerdict* why = nullptr) const;
    int FolderShareCancle(const std::string& uid, const std::string& token,
                          const std::string& dirids, ServiceVerdict* why = nullptr) const;
    // The value's id is the "folder" id whenever the answer has one, even when refused.
    ServiceResult<AddedItem> addFolder(const std::string& uid, const std::string& token,
                                       const std::string& pid, const std::string& name) const;
    int FolderDelete(const std::string& uid, const std::string& token, const std::string& dirids,
                     const std::string& isReal, ServiceVerdict* why = nullptr) const;
    // Texts: the attribute when accepted, else empty.
    std::string GetFolderShareLink(const std::string& uid, const std::string& token,
                                   const std::string& dirid, ServiceVerdict* why = nullptr) const;
    std::string GetFolderEmailShareInfo(const std::string& uid, const std::string& token,
                                        const std::string& dirid,
                                        ServiceVerdict* why = nullptr) const;
    // Registers an uploaded file; signed over `hash` alone. On 1 newId is the file's id
    // (empty when the answer names none). Safe on any thread.
    int FileAdd(const std::string& uid, const std::string& token, const std::string& name,
                const std::string& ext, const std::string& size, const std::string& dirid,
                const std::string& hash, std::string& newId) const;
    ServiceResult<AddedItem> addFile(const std::string& uid, const std::string& token,
                                     const std::string& name, const std::string& ext,
                                     const std::string& size, const std::string& dirid,
                                     const std::string& hash) const;
    int FileMove(const std::string& uid, const std::string& token, const std::string& fids,
                 const std::string& targetDirid,
                 ServiceVerdict* why = nullptr) const;  // sent once
    int FileRename(const std::string& uid, const std::string& token, const std::string& fid,
                   const std::string& newname, ServiceVerdict* why = nullptr) const;
    int FileDelete(const std::string& uid, const std::string& token, const std::string& fids,
                   const std::string& isReal, ServiceVerdict* why = nullptr) const;
    int FileEncrypt(const std::string& uid, const std::string& token, const std::string& fid,
                    const std::string& password, const std::string& passwordTip,
                    ServiceVerdict* why = nullptr) const;
    int FileDecrypt(const std::string& uid, const std::string& token, const std::string& fid,
                    const std::string& password, ServiceVerdict* why = nullptr) const;
    std::string FileShare(const std::string& uid, const std::string& token, const std::string& fids,
                          const std::string& downpwd, const std::string& downValue,
                          const std::string& description, ServiceVerdict* why = nullptr) const;
    int FileShareCancle(const std::string& uid, const std::string& token, const std::string& fids,
                        ServiceVerdict* why = nullptr) const;
    // "1" on success, else the text of "msg"; "0" when there is no "result".
    std::string FileEmailShare(const std::string& uid, const std::string& token,
                               const std::string& fid, const std::string& to,
                               ServiceVerdict* why = nullptr) const;
    int FileOutLinkSetting(const std::string& uid, const std::string& token, const std::string& fid,
                           const std::string& linkName, const std::string& domain,
                           ServiceVerdict* why = nullptr) const;
    int CancleFileOutLink(const std::string& uid, const std::string& token, const std::string& fids,
                          ServiceVerdict* why = nullptr) const;
    std::string GetFileOutLink(const std::string& uid, const std::string& token,
                               const std::string& fid, ServiceVerdict* why = nullptr) const;
    std::string GetFileShareLink(const std::string& uid, const std::string& token,
                                 const std::string& fid, ServiceVerdict* why = nullptr) const;
    std::string GetFileEmailShareInfo(const std::string& uid, const std::string& token,
                                      const std::string& fid, ServiceVerdict* why = nullptr) const;
    // The link name, or linkkey + "/" + id when it has none; domainOut takes "domain".
    // Empty text (domainOut untouched) when refused.
    std::string GetFileOutLinkInfo(const std::string& uid, const std::string& token,
                                   const std::string& fid, std::string& domainOut,
                                   ServiceVerdict* why = nullptr) const;
    int ClearBin(const std::string& uid, const std::string& token,
                 ServiceVerdict* why = nullptr) const;

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
    // Sends and reads the answer by attributes; kNone when a readable answer came.
    Failure fetchAttributes(const std::string& url, Repeat repeat, AttributeAnswer& answer) const;
    int judged(const SignedQuery& query, Repeat repeat = Repeat::kBounded,
               ServiceVerdict* why = nullptr) const;
    std::string resultText(const SignedQuery& query, ServiceVerdict* why = nullptr) const;
    // What `why` (when given) learns from a sent operation: nothing when accepted.
    static void noteRefusal(ServiceVerdict* why, Failure failure, const AttributeAnswer& answer);
    std::string acceptedAttribute(const SignedQuery& query, const char* element,
                                  const char* attribute, ServiceVerdict* why = nullptr) const;

    void storeSignIn(const AttributeAnswer& answer, SignInKind kind);
    ServiceResult<int> signInBy(const SignedQuery& query, SignInKind kind);

    // When a listing was sent: stored only while still the newest of the same sign-in.
    struct ListingTicket {
        std::uint64_t number = 0;
        std::uint64_t generation = 0;
    };
    ListingTicket takeListingTicket();
    bool takesAnswerLocked(const ListingTicket& ticket) const;
    // Takes the entries of what is replaced (null: that table stays as it is).
    void storeTablesLocked(std::vector<DiskFileEntry>* files, std::vector<FolderItemLc>* folders);
    ServiceResult<int> fillListing(const SignedQuery& query, bool folderListing, Repeat repeat);
    ServiceResult<int> searchListing(const SignedQuery& query);

    const ServiceConfig m_config;
    const std::string m_programFolder;
    const std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
    const RequestFrame m_frame;
    // Bumped by every request that may change the folder tree (made, renamed, moved, deleted,
    // restored), answered or not: the tree is asked for again after it.
    mutable std::atomic<std::uint64_t> m_folderChanges{0};

    mutable std::mutex m_mutex;  // guards everything below; never held across the network
                                 // nor while caller code runs
    AccountInfo m_account;
    std::uint64_t m_accountVersion = 0;  // bumped by every change of m_account
    std::shared_ptr<const DiskTables> m_tables = std::make_shared<DiskTables>();
    std::uint64_t m_listingsSent = 0;   // numbers handed to listings
    std::uint64_t m_listingStored = 0;  // number of the listing the tables show
    std::string m_folderTreeAnswer;     // GetFolders' last answer, served until the tree may change
    std::uint64_t m_folderChangesSeen = 0;  // m_folderChanges when it was asked for
    Announcements m_announcements;
    std::uint64_t m_signInGeneration = 0;  // answers keep only for the sign-in that asked
};

}  // namespace nubexa
