#include "service/listing_reader.h"

#include <algorithm>
#include <array>
#include <iterator>

#include <pugixml.hpp>

#include "platform/listed_size.h"
#include "service/attribute_answer.h"
#include "service/remote_name.h"
#include "service/text_codec.h"
#include "xml/xml_text.h"

namespace nubexa {

namespace {

// Which attributes a reading takes besides the common ones.
struct Extras {
    bool isshare = true;  // folders only; files always take it
    bool pwd = true;
    bool path = false;
};

enum Field : unsigned {
    kId,
    kName,
    kExt,
    kSize,
    kTime,
    kIsShare,
    kIsOutlink,
    kIsPwd,
    kPwdTip,
    kPwd,
    kPath,
    kOther
};

// Whether the attribute name `name` is `word`: both end at the same place.
bool named(const char* name, std::string_view word) {
    for (const char letter : word) {
        if (*name++ != letter)
            return false;
    }
    return *name == '\0';
}

Field fieldNamed(const char* name) {
    switch (name[0]) {
        case 'i':
            return named(name, "id")          ? kId
                   : named(name, "isshare")   ? kIsShare
                   : named(name, "isoutlink") ? kIsOutlink
                   : named(name, "ispwd")     ? kIsPwd
                                              : kOther;
        case 'n':
            return named(name, "name") ? kName : kOther;
        case 'e':
            return named(name, "ext") ? kExt : kOther;
        case 's':
            return named(name, "size") ? kSize : kOther;
        case 't':
            return named(name, "time") ? kTime : kOther;
        case 'p':
            return named(name, "pwd")      ? kPwd
                   : named(name, "pwdtip") ? kPwdTip
                   : named(name, "path")   ? kPath
                                           : kOther;
        default:
            return kOther;
    }
}

// The values of one element's attributes by field, read in one pass; a missing attribute reads
// as empty text and a repeated one as its first.
class EntryAttributes {
public:
    template <typename Attributes>
    explicit EntryAttributes(const Attributes& attributes) {
        for (const auto& [name, value] : attributes) {
            const Field field = fieldNamed(name);
            if (field != kOther && m_values[field] == nullptr)
                m_values[field] = value;
        }
    }
    const char* operator[](Field field) const {
        return m_values[field] != nullptr ? m_values[field] : "";
    }

private:
    std::array<const char*, kOther> m_values{};
};

// A size as the tables keep it: decimal, clamped to what a real file can be. Plain decimal text
// below the bound, nearly every size, is kept as it came.
std::string listedSizeText(const char* text) {
    const std::string_view digits(text);
    const bool plain =
        !digits.empty() && digits.size() <= 15 && (digits.size() == 1 || digits.front() != '0') &&
        std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    return plain ? std::string(digits) : std::to_string(clampListedSize(toInt64(digits)));
}

DiskFileEntry fileFrom(const EntryAttributes& get, const Extras& extras) {
    DiskFileEntry file;
    file.ext = get[kExt];
    file.id = get[kId];
    file.isoutlink = get[kIsOutlink];
    file.ispwd = get[kIsPwd];
    file.isshare = get[kIsShare];
    // A hostile or broken size never reaches the sums made of it.
    file.size = listedSizeText(get[kSize]);
    file.time = get[kTime];
    // Shown and compared in composed form, whichever form the uploading system wrote.
    file.name = toNfc(get[kName]);
    file.pwdtip = get[kPwdTip];
    if (extras.pwd)
        file.pwd = get[kPwd];
    if (extras.path)
        file.path = get[kPath];
    return file;
}

FolderItemLc folderFrom(const EntryAttributes& get, const Extras& extras) {
    FolderItemLc folder;
    folder.id = get[kId];
    folder.ispwd = get[kIsPwd];
    folder.time = get[kTime];
    folder.pwdtip = get[kPwdTip];
    folder.name = toNfc(get[kName]);
    if (extras.isshare)
        folder.isshare = get[kIsShare];
    if (extras.pwd)
        folder.pwd = get[kPwd];
    if (extras.path)
        folder.path = get[kPath];
    return folder;
}

// (name, value) pairs of an element of either document kind.
struct PugiAttributes {
    const pugi::xml_node& element;
    struct Iterator {
        pugi::xml_attribute_iterator at;
        std::pair<const char*, const char*> operator*() const { return {at->name(), at->value()}; }
        Iterator& operator++() {
            ++at;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return at != other.at; }
    };
    Iterator begin() const { return {element.attributes_begin()}; }
    Iterator end() const { return {element.attributes_end()}; }
};

struct TinyAttributes {
    const tinyxml2::XMLElement& element;
    struct Iterator {
        const tinyxml2::XMLAttribute* at;
        std::pair<const char*, const char*> operator*() const { return {at->Name(), at->Value()}; }
        Iterator& operator++() {
            at = at->Next();
            return *this;
        }
        bool operator!=(const Iterator& other) const { return at != other.at; }
    };
    Iterator begin() const { return {element.FirstAttribute()}; }
    Iterator end() const { return {nullptr}; }
};

// Every search moves forward from the element found last; one that finds nothing leaves the
// position as it was ("folders" before "files" is therefore not found). An empty name matches
// any element.
class ForwardSearch {
public:
    explicit ForwardSearch(const pugi::xml_node& parent) : m_next(parent.first_child()) {}

    pugi::xml_node find(std::string_view name) {
        for (pugi::xml_node node = m_next; node; node = node.next_sibling()) {
            if (node.type() == pugi::node_element && (name.empty() || name == node.name())) {
                m_next = node.next_sibling();
                return node;
            }
        }
        return {};
    }

private:
    pugi::xml_node m_next;
};

template <typename Entry, typename Read>
std::optional<std::vector<Entry>> readList(ForwardSearch& search, const char* list,
                                           const char* item, std::size_t limit, Read read) {
    const pugi::xml_node found = search.find(list);
    if (!found)
        return std::nullopt;
    std::vector<Entry> entries;
    const auto items = found.children(item);
    entries.reserve(std::min<std::size_t>(
        limit, static_cast<std::size_t>(std::distance(items.begin(), items.end()))));
    for (const pugi::xml_node& element : items) {
        if (entries.size() >= limit)
            break;
        entries.push_back(read(EntryAttributes(PugiAttributes{element})));
    }
    return entries;
}

}  // namespace

std::optional<ListingRead> readListing(std::string_view answer, const ListingShape& shape) {
    pugi::xml_document document;
    if (!parseDocument(document, answer))
        return std::nullopt;
    ListingRead read;
    ForwardSearch top(document);
    const pugi::xml_node root = top.find({});
    ForwardSearch search(root);
    if (!root || !search.find("result"))
        return read;
    read.hasResult = true;
    if (shape.readParent) {
        if (const pugi::xml_node parent = search.find("parentid"))
            read.parentId = parent.child_value();
    }
    const Extras extras{true, true, shape.withPath};
    read.files = readList<DiskFileEntry>(search, "files", "file", shape.limit,
                                         [&](const auto& a) { return fileFrom(a, extras); });
    read.folders = readList<FolderItemLc>(search, "folders", "folder", shape.limit,
                                          [&](const auto& a) { return folderFrom(a, extras); });
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
         element != nullptr && files.size() < kTableSize; element = element->NextSiblingElement())
        files.push_back(fileFrom(EntryAttributes(TinyAttributes{*element}), extras));
    for (const auto* element = folderList->FirstChildElement();
         element != nullptr && folders.size() < kTableSize; element = element->NextSiblingElement())
        folders.push_back(folderFrom(EntryAttributes(TinyAttributes{*element}), extras));
    return true;
}

}  // namespace nubexa
