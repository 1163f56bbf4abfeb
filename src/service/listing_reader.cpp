#include "service/listing_reader.h"

#include "platform/listed_size.h"
#include "service/attribute_answer.h"
#include "service/remote_name.h"
#include "service/text_codec.h"
#include "xml/markup_navigator.h"

namespace nubexa {

namespace {

// Which attributes a reading takes besides the common ones.
struct Extras {
    bool isshare = true;  // folders only; files always take it
    bool pwd = true;
    bool path = false;
};

// `get(name)` gives an attribute of the current element, empty text when it is missing.
template <typename Get>
DiskFileEntry fileFrom(const Get& get, const Extras& extras) {
    DiskFileEntry file;
    file.ext = get("ext");
    file.id = get("id");
    file.isoutlink = get("isoutlink");
    file.ispwd = get("ispwd");
    file.isshare = get("isshare");
    // A hostile or broken size never reaches the sums made of it.
    file.size = std::to_string(clampListedSize(toInt64(get("size"))));
    file.time = get("time");
    // Shown and compared in composed form, whichever form the uploading system wrote.
    file.name = toNfc(get("name"));
    file.pwdtip = get("pwdtip");
    if (extras.pwd)
        file.pwd = get("pwd");
    if (extras.path)
        file.path = get("path");
    return file;
}

template <typename Get>
FolderItemLc folderFrom(const Get& get, const Extras& extras) {
    FolderItemLc folder;
    folder.id = get("id");
    folder.ispwd = get("ispwd");
    folder.time = get("time");
    folder.pwdtip = get("pwdtip");
    folder.name = toNfc(get("name"));
    if (extras.isshare)
        folder.isshare = get("isshare");
    if (extras.pwd)
        folder.pwd = get("pwd");
    if (extras.path)
        folder.path = get("path");
    return folder;
}

template <typename Entry, typename Read>
std::optional<std::vector<Entry>> readList(MarkupNavigator& navigator, const char* list,
                                           const char* item, std::size_t limit, Read read) {
    if (!navigator.findChildElem(list) || !navigator.intoElem())
        return std::nullopt;
    std::vector<Entry> entries;
    while (entries.size() < limit && navigator.findChildElem(item))
        entries.push_back(read());
    navigator.outOfElem();
    return entries;
}

}  // namespace

ListingRead readListing(MarkupNavigator& navigator, const ListingShape& shape) {
    ListingRead read;
    if (!navigator.findElem() || !navigator.findChildElem("result"))
        return read;
    read.hasResult = true;
    if (shape.readParent && navigator.findChildElem("parentid"))
        read.parentId = navigator.getChildData();
    const Extras extras{true, true, shape.withPath};
    read.files = readList<DiskFileEntry>(navigator, "files", "file", shape.limit, [&] {
        const AttributeList attributes = navigator.getChildAttribs();
        return fileFrom([&](const char* name) { return attributes.value(name); }, extras);
    });
    read.folders = readList<FolderItemLc>(navigator, "folders", "folder", shape.limit, [&] {
        const AttributeList attributes = navigator.getChildAttribs();
        return folderFrom([&](const char* name) { return attributes.value(name); }, extras);
    });
    return read;
}

bool readSearchAnswer(const AttributeAnswer& answer, std::vector<DiskFileEntry>& files,
                      std::vector<FolderItemLc>& folders) {
    const auto* fileList = answer.child("files");
    const auto* folderList = answer.child("folders");
    if (fileList == nullptr || folderList == nullptr)
        return false;
    // The search takes neither passwords nor the folders' share flag.
    const Extras extras{false, false, false};
    for (const auto* element = fileList->FirstChildElement();
         element != nullptr && files.size() < kTableSize; element = element->NextSiblingElement()) {
        const auto get = [element](const char* name) {
            return AttributeAnswer::attribute(element, name);
        };
        files.push_back(fileFrom(get, extras));
    }
    for (const auto* element = folderList->FirstChildElement();
         element != nullptr && folders.size() < kTableSize;
         element = element->NextSiblingElement()) {
        const auto get = [element](const char* name) {
            return AttributeAnswer::attribute(element, name);
        };
        folders.push_back(folderFrom(get, extras));
    }
    return true;
}

}  // namespace nubexa
