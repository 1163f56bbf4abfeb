#include "service/listing_reader.h"

#include "service/attribute_answer.h"
#include "xml/markup_navigator.h"

namespace nubexa {

namespace {

DiskFileEntry readFile(const MarkupNavigator& navigator, bool withPath) {
    DiskFileEntry file;
    file.ext = navigator.getChildAttrib("ext");
    file.id = navigator.getChildAttrib("id");
    file.isoutlink = navigator.getChildAttrib("isoutlink");
    file.ispwd = navigator.getChildAttrib("ispwd");
    file.isshare = navigator.getChildAttrib("isshare");
    file.size = navigator.getChildAttrib("size");
    file.time = navigator.getChildAttrib("time");
    file.name = navigator.getChildAttrib("name");
    file.pwdtip = navigator.getChildAttrib("pwdtip");
    file.pwd = navigator.getChildAttrib("pwd");
    if (withPath)
        file.path = navigator.getChildAttrib("path");
    return file;
}

FolderItemLc readFolder(const MarkupNavigator& navigator, bool withPath) {
    FolderItemLc folder;
    folder.id = navigator.getChildAttrib("id");
    folder.ispwd = navigator.getChildAttrib("ispwd");
    folder.time = navigator.getChildAttrib("time");
    folder.pwdtip = navigator.getChildAttrib("pwdtip");
    folder.name = navigator.getChildAttrib("name");
    folder.isshare = navigator.getChildAttrib("isshare");
    folder.pwd = navigator.getChildAttrib("pwd");
    if (withPath)
        folder.path = navigator.getChildAttrib("path");
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
    read.files = readList<DiskFileEntry>(navigator, "files", "file", shape.limit,
                                         [&] { return readFile(navigator, shape.withPath); });
    read.folders = readList<FolderItemLc>(navigator, "folders", "folder", shape.limit,
                                          [&] { return readFolder(navigator, shape.withPath); });
    return read;
}

bool readSearchAnswer(const AttributeAnswer& answer, std::vector<DiskFileEntry>& files,
                      std::vector<FolderItemLc>& folders) {
    const auto* fileList = answer.child("files");
    const auto* folderList = answer.child("folders");
    if (fileList == nullptr || folderList == nullptr)
        return false;
    const auto attribute = AttributeAnswer::attribute;
    for (const auto* element = fileList->FirstChildElement();
         element != nullptr && files.size() < kTableSize; element = element->NextSiblingElement()) {
        DiskFileEntry file;
        file.ext = attribute(element, "ext");
        file.id = attribute(element, "id");
        file.isoutlink = attribute(element, "isoutlink");
        file.ispwd = attribute(element, "ispwd");
        file.isshare = attribute(element, "isshare");
        file.size = attribute(element, "size");
        file.time = attribute(element, "time");
        file.name = attribute(element, "name");
        file.pwdtip = attribute(element, "pwdtip");
        files.push_back(std::move(file));
    }
    for (const auto* element = folderList->FirstChildElement();
         element != nullptr && folders.size() < kTableSize;
         element = element->NextSiblingElement()) {
        FolderItemLc folder;
        folder.id = attribute(element, "id");
        folder.ispwd = attribute(element, "ispwd");
        folder.time = attribute(element, "time");
        folder.pwdtip = attribute(element, "pwdtip");
        folder.name = attribute(element, "name");
        folders.push_back(std::move(folder));
    }
    return true;
}

}  // namespace nubexa
