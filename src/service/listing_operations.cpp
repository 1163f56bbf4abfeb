// The listings that fill the disk tables, the folder tree and the folder-download listing.
#include "service/attribute_answer.h"
#include "service/listing_reader.h"
#include "service/service_client.h"
#include "service/signed_query.h"
#include "service/text_codec.h"
#include "xml/markup_navigator.h"

namespace nubexa {

namespace {

SignedQuery listingQuery(const char* operation, const std::string& uid, const std::string& token) {
    SignedQuery query(std::string("/UserService.asmx/") + operation);
    query.add("uid", uid).add("token", token);
    return query;
}

DiskFileEntry searchPlaceholder() {
    using namespace std::string_literals;  // whole strings: GCC 12 misreads char* assignment
    DiskFileEntry entry;
    entry.id = "-1"s;
    entry.name = "真遗憾，我的网盘中居然没这个文件"s;
    entry.ext = "-"s;
    entry.isoutlink = "0"s;
    entry.ispwd = "0"s;
    entry.isshare = "0"s;
    entry.size = "0"s;
    return entry;
}

}  // namespace

ServiceClient::ListingTicket ServiceClient::takeListingTicket() {
    std::lock_guard lock(m_mutex);
    return {++m_listingsSent, m_signInGeneration};
}

bool ServiceClient::takesAnswerLocked(const ListingTicket& ticket) const {
    return ticket.generation == m_signInGeneration && ticket.number > m_listingStored;
}

void ServiceClient::storeTablesLocked(std::vector<DiskFileEntry>* files,
                                      std::vector<FolderItemLc>* folders) {
    // Copy on write: snapshots handed out stay as they were. The listed entries are moved in,
    // not copied.
    const DiskTables& now = *m_tables;
    m_tables = std::make_shared<DiskTables>(DiskTables{
        files != nullptr ? replacedTable(now.disk_files, std::move(*files)) : now.disk_files,
        folders != nullptr ? replacedTable(now.disk_folders, std::move(*folders))
                           : now.disk_folders});
}

ServiceResult<int> ServiceClient::fillListing(const SignedQuery& query, bool folderListing,
                                              Repeat repeat) {
    const ListingTicket ticket = takeListingTicket();
    const auto text = m_frame.fetch(query.signedUrl(m_frame.apiHost()), repeat);
    if (!text.ok()) {
        // A listing sent once takes silence as empty.
        const bool silenceIsEmpty = repeat == Repeat::kNever && text.failure == Failure::kNoAnswer;
        return ServiceResult<int>::failed(text.failure, silenceIsEmpty ? 1 : 0);
    }
    std::optional<ListingRead> answer =
        readListing(text.value, {folderListing, false, kMostListedEntries});
    if (!answer)
        return ServiceResult<int>::failed(Failure::kMalformed, 0);
    ListingRead& read = *answer;
    if (!read.hasResult)
        return ServiceResult<int>::failed(Failure::kMalformed, 1);
    // A refusal (a session the service ended, say) lists nothing: not an empty folder or bin.
    if (!read.accepted && !read.files && !read.folders) {
        auto refused = ServiceResult<int>::failed(Failure::kRefused, 0);
        refused.message = read.message;
        return refused;
    }

    std::lock_guard lock(m_mutex);
    if (!takesAnswerLocked(ticket))
        return ServiceResult<int>::failed(Failure::kStale, 0);
    m_listingStored = ticket.number;
    if (read.parentId) {
        ++m_accountVersion;
        m_account.parent_dir_id = *read.parentId;
    }
    // A folder listing without its files leaves the folders as they were.
    const bool foldersCount = read.folders && (read.files || !folderListing);
    storeTablesLocked(read.files ? &*read.files : nullptr, foldersCount ? &*read.folders : nullptr);
    if (folderListing && !(read.files && read.folders))
        return ServiceResult<int>::failed(Failure::kMalformed, 0);
    return ServiceResult<int>::success(1);
}

ServiceResult<int> ServiceClient::searchListing(const SignedQuery& query) {
    const ListingTicket ticket = takeListingTicket();
    AttributeAnswer answer;
    if (const Failure failure =
            fetchAttributes(query.signedUrl(m_frame.apiHost()), Repeat::kBounded, answer);
        failure != Failure::kNone) {
        return ServiceResult<int>::failed(failure, 0);
    }
    if (!answer.accepted())
        return ServiceResult<int>::failed(Failure::kRefused, 1);
    std::vector<DiskFileEntry> files;
    std::vector<FolderItemLc> folders;
    if (!readSearchAnswer(answer, files, folders))
        return ServiceResult<int>::failed(Failure::kMalformed, 0);
    if (files.empty() && folders.empty())
        files.push_back(searchPlaceholder());

    std::lock_guard lock(m_mutex);
    if (!takesAnswerLocked(ticket))
        return ServiceResult<int>::failed(Failure::kStale, 0);
    m_listingStored = ticket.number;
    storeTablesLocked(&files, &folders);
    return ServiceResult<int>::success(1);
}

ServiceResult<int> ServiceClient::fetchListing(const ListingRequest& request) {
    const auto query = [&](const char* operation) {
        return listingQuery(operation, request.uid, request.token);
    };
    switch (request.kind) {
        case ListingKind::kFolder:
            return fillListing(query("GetFiles")
                                   .add("dir", request.dir)
                                   .add("order", request.order)
                                   .add("desc", request.desc),
                               true, Repeat::kBounded);
        case ListingKind::kNewUploads:
            return fillListing(
                query("GetNewUploadFiles").add("order", request.order).add("desc", request.desc),
                false, Repeat::kBounded);
        case ListingKind::kRecycle:
            return fillListing(
                query("GetRecycleFiles").add("order", request.order).add("desc", request.desc),
                false, Repeat::kBounded);
        case ListingKind::kShared:
            return fillListing(
                query("GetShareFiles").add("order", request.order).add("desc", request.desc), false,
                Repeat::kBounded);
        case ListingKind::kLinks:
            return fillListing(
                query("GetLinkFiles").add("order", request.order).add("desc", request.desc), false,
                Repeat::kNever);
        case ListingKind::kSearch:
            return searchListing(query("FileSearch")
                                     .add("order", request.order)
                                     .add("desc", request.desc)
                                     .addEncoded("keyword", request.keyword));
    }
    return ServiceResult<int>::failed(Failure::kMalformed, 0);
}

int ServiceClient::GetFiles(const std::string& uid, const std::string& token,
                            const std::string& dir, const std::string& order,
                            const std::string& desc) {
    return fetchListing({ListingKind::kFolder, uid, token, order, desc, dir, {}}).value;
}

int ServiceClient::GetNewUploadFiles(const std::string& uid, const std::string& token,
                                     const std::string& order, const std::string& desc) {
    return fetchListing({ListingKind::kNewUploads, uid, token, order, desc, {}, {}}).value;
}

int ServiceClient::GetRecycleFiles(const std::string& uid, const std::string& token,
                                   const std::string& order, const std::string& desc) {
    return fetchListing({ListingKind::kRecycle, uid, token, order, desc, {}, {}}).value;
}

int ServiceClient::GetShareFiles(const std::string& uid, const std::string& token,
                                 const std::string& order, const std::string& desc) {
    return fetchListing({ListingKind::kShared, uid, token, order, desc, {}, {}}).value;
}

int ServiceClient::GetLinkFiles(const std::string& uid, const std::string& token,
                                const std::string& order, const std::string& desc) {
    return fetchListing({ListingKind::kLinks, uid, token, order, desc, {}, {}}).value;
}

int ServiceClient::FileSearch(const std::string& uid, const std::string& token,
                              const std::string& order, const std::string& desc,
                              const std::string& keyword) {
    return fetchListing({ListingKind::kSearch, uid, token, order, desc, {}, keyword}).value;
}

ServiceResult<FolderListing> ServiceClient::GetFilesWhitPath(const std::string& uid,
                                                             const std::string& token,
                                                             const std::string& dir,
                                                             const std::string& order,
                                                             const std::string& desc) const {
    using Result = ServiceResult<FolderListing>;
    const auto query = listingQuery("GetFilesWhitPath", uid, token)
                           .add("dir", dir)
                           .add("order", order)
                           .add("desc", desc);
    const auto text = m_frame.fetch(query.signedUrl(m_frame.apiHost()), Repeat::kBounded);
    if (!text.ok())
        return Result::failed(text.failure);
    std::optional<ListingRead> answer = readListing(text.value, {true, true});
    if (!answer)
        return Result::failed(Failure::kMalformed);
    ListingRead& read = *answer;
    // A refusal (a folder gone, an ended session) is no empty folder.
    if (!read.hasResult || !read.accepted)
        return {{}, Failure::kRefused, std::move(read.message)};
    FolderListing listing;
    listing.files = std::move(read.files).value_or(std::vector<DiskFileEntry>{});
    listing.folders = std::move(read.folders).value_or(std::vector<FolderItemLc>{});
    return Result::success(std::move(listing));
}

ServiceResult<TreeListing> ServiceClient::treeBelow(const std::string& uid,
                                                    const std::string& token,
                                                    const std::string& dir,
                                                    const std::atomic<bool>* stop) const {
    using Result = ServiceResult<TreeListing>;
    const auto query = listingQuery("GetFilesWhitPath", uid, token)
                           .add("dir", dir)
                           .add("order", "")
                           .add("desc", "");
    auto text = m_frame.fetchLarge(query.signedUrl(m_frame.apiHost()), stop);
    if (!text.ok())
        return Result::failed(text.failure);
    std::optional<TreeListingRead> read = readTreeListing(text.value);
    text.value = std::string();  // the answer is entries now; it need not stay beside them
    if (!read)
        return Result::failed(Failure::kMalformed);
    if (!read->hasResult || !read->accepted)
        return Result::failed(Failure::kRefused);
    if (!read->complete)
        return Result::failed(Failure::kMalformed);
    return Result::success(std::move(read->listing));
}

ServiceResult<FolderTree> ServiceClient::GetFolders(const std::string& uid,
                                                    const std::string& token,
                                                    const std::string& currentdirid) {
    using Result = ServiceResult<FolderTree>;
    std::string text;
    bool stale = false;
    std::uint64_t generation = 0;
    const std::uint64_t changes = m_folderChanges.load();
    {
        std::lock_guard lock(m_mutex);
        stale = m_account.folder_tree_stale != 0 || changes != m_folderChangesSeen;
        text = m_folderTreeAnswer;
        generation = m_signInGeneration;
    }
    if (stale) {
        SignedQuery query("/userservice.asmx/GetFolders");
        query.add("uid", uid).add("token", token).add("currentdirid", currentdirid);
        auto fetched = m_frame.fetch(query.signedUrl(m_frame.apiHost()), Repeat::kBounded);
        if (!fetched.ok())
            return Result::failed(fetched.failure);
        text = std::move(fetched.value);
    }
    MarkupNavigator navigator;
    if (!navigator.setDoc(text))
        return Result::failed(Failure::kMalformed);
    if (!navigator.findElem() || !navigator.findChildElem("result"))
        return Result::failed(Failure::kRefused);
    // Only a tree is kept: a refusal (an ended session) is asked again next time.
    if (navigator.getChildData() != "1") {
        Result refused = Result::failed(Failure::kRefused);
        if (navigator.findChildElem("msg"))
            refused.message = navigator.getChildData();
        return refused;
    }
    if (stale) {
        std::lock_guard lock(m_mutex);
        // An answer that arrives after the account changed belongs to nobody.
        if (generation == m_signInGeneration) {
            ++m_accountVersion;
            m_folderTreeAnswer = text;
            m_folderChangesSeen = changes;
            m_account.folder_tree_stale = 0;
        }
    }
    if (navigator.findChildElem("parentid")) {
        std::lock_guard lock(m_mutex);
        if (generation == m_signInGeneration) {
            ++m_accountVersion;
            m_account.parent_dir_id = navigator.getChildData();
        }
    }
    FolderTree tree;
    if (!navigator.findChildElem("folders") || !navigator.intoElem())
        return Result::success(std::move(tree));
    while (navigator.findChildElem("folder")) {
        tree.names.push_back(navigator.getChildAttrib("name"));
        tree.ids.push_back(toInt32(navigator.getChildAttrib("id")));
        tree.parentids.push_back(toInt32(navigator.getChildAttrib("parentid")));
    }
    return Result::success(std::move(tree));
}

}  // namespace nubexa
