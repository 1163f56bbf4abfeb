// The listings that fill the disk tables and the folder tree.
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

int ServiceClient::fillListing(const SignedQuery& query, ListingKind kind, Repeat repeat) {
    const std::string text = m_frame.send(query.signedUrl(m_frame.apiHost()), repeat);
    if (text.empty())
        return repeat == Repeat::kNever ? 1 : 0;  // a listing sent once takes silence as empty
    MarkupNavigator navigator;
    if (!navigator.setDoc(text))
        return 0;
    const bool folderListing = kind == ListingKind::kFolder;
    const ListingRead read = readListing(navigator, {folderListing, false, kTableSize});
    if (!read.hasResult)
        return 1;

    std::lock_guard lock(m_mutex);
    if (read.parentId)
        m_account.parent_dir_id = *read.parentId;
    if (read.files)
        storeInTable(m_tables.disk_files, *read.files);
    if (folderListing && !read.files)
        return 0;
    if (read.folders)
        storeInTable(m_tables.disk_folders, *read.folders);
    return folderListing && !read.folders ? 0 : 1;
}

int ServiceClient::GetFiles(const std::string& uid, const std::string& token,
                            const std::string& dir, const std::string& order,
                            const std::string& desc) {
    return fillListing(
        listingQuery("GetFiles", uid, token).add("dir", dir).add("order", order).add("desc", desc),
        ListingKind::kFolder, Repeat::kBounded);
}

int ServiceClient::GetNewUploadFiles(const std::string& uid, const std::string& token,
                                     const std::string& order, const std::string& desc) {
    return fillListing(
        listingQuery("GetNewUploadFiles", uid, token).add("order", order).add("desc", desc),
        ListingKind::kOther, Repeat::kBounded);
}

int ServiceClient::GetRecycleFiles(const std::string& uid, const std::string& token,
                                   const std::string& order, const std::string& desc) {
    return fillListing(
        listingQuery("GetRecycleFiles", uid, token).add("order", order).add("desc", desc),
        ListingKind::kOther, Repeat::kBounded);
}

int ServiceClient::GetShareFiles(const std::string& uid, const std::string& token,
                                 const std::string& order, const std::string& desc) {
    return fillListing(
        listingQuery("GetShareFiles", uid, token).add("order", order).add("desc", desc),
        ListingKind::kOther, Repeat::kBounded);
}

int ServiceClient::GetLinkFiles(const std::string& uid, const std::string& token,
                                const std::string& order, const std::string& desc) {
    return fillListing(
        listingQuery("GetLinkFiles", uid, token).add("order", order).add("desc", desc),
        ListingKind::kOther, Repeat::kNever);
}

int ServiceClient::FileSearch(const std::string& uid, const std::string& token,
                              const std::string& order, const std::string& desc,
                              const std::string& keyword) {
    const auto query = listingQuery("FileSearch", uid, token)
                           .add("order", order)
                           .add("desc", desc)
                           .addEncoded("keyword", keyword);
    AttributeAnswer answer;
    if (!fetchAttributes(query.signedUrl(m_frame.apiHost()), Repeat::kBounded, answer))
        return 0;
    if (!answer.accepted())
        return 1;
    std::vector<DiskFileEntry> files;
    std::vector<FolderItemLc> folders;
    if (!readSearchAnswer(answer, files, folders))
        return 0;
    if (files.empty() && folders.empty())
        files.push_back(searchPlaceholder());

    std::lock_guard lock(m_mutex);
    storeInTable(m_tables.disk_files, files);
    storeInTable(m_tables.disk_folders, folders);
    return 1;
}

int ServiceClient::GetFolders(const std::string& uid, const std::string& token,
                              const std::string& currentdirid, FolderTree& tree) {
    std::string text;
    bool stale = false;
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(m_mutex);
        stale = m_account.folder_tree_stale != 0;
        text = m_account.folder_tree_answer;
        generation = m_signInGeneration;
    }
    MarkupNavigator navigator;
    if (stale) {
        SignedQuery query("/userservice.asmx/GetFolders");
        query.add("uid", uid).add("token", token).add("currentdirid", currentdirid);
        text = m_frame.send(query.signedUrl(m_frame.apiHost()), Repeat::kBounded);
        if (text.empty() || !navigator.setDoc(text))
            return -1;
        std::lock_guard lock(m_mutex);
        // An answer that arrives after the account changed belongs to nobody.
        if (generation == m_signInGeneration) {
            m_account.folder_tree_answer = text;
            m_account.folder_tree_stale = 0;
        }
    } else if (!navigator.setDoc(text)) {
        return -1;
    }

    if (!navigator.findElem() || !navigator.findChildElem("result"))
        return 0;
    if (navigator.findChildElem("parentid")) {
        std::lock_guard lock(m_mutex);
        m_account.parent_dir_id = navigator.getChildData();
    }
    tree = FolderTree{};
    if (!navigator.findChildElem("folders") || !navigator.intoElem())
        return 0;
    while (navigator.findChildElem("folder")) {
        tree.names.push_back(navigator.getChildAttrib("name"));
        tree.ids.push_back(toInt32(navigator.getChildAttrib("id")));
        tree.parentids.push_back(toInt32(navigator.getChildAttrib("parentid")));
    }
    return 0;
}

}  // namespace nubexa
