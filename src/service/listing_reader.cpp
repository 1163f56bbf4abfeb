#include "service/listing_reader.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <memory>
#include <type_traits>

#include <expat.h>
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

struct ExpatAttributes {
    const XML_Char** pairs;  // name, value, ..., null
    struct Iterator {
        const XML_Char** at;
        std::pair<const char*, const char*> operator*() const { return {at[0], at[1]}; }
        Iterator& operator++() {
            at += 2;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return at != other.at; }
    };
    Iterator begin() const { return {pairs}; }
    Iterator end() const {
        const XML_Char** at = pairs;
        while (*at != nullptr)
            at += 2;
        return {at};
    }
};

// A listed path ("/top/a/b/", the listed folder's own name first) below the listed folder
// ("a/b/").
std::string belowListed(std::string_view listed) {
    if (listed.empty() || listed.front() != '/')
        return {};
    const std::size_t second = listed.find('/', 1);
    return second == std::string_view::npos ? std::string()
                                            : std::string(listed.substr(second + 1));
}

// Follows the answer's elements as expat hands them over: "result", then "files" and after it
// "folders" among the root's children, and the entries directly in those two lists.
class TreeListingParser {
public:
    explicit TreeListingParser(TreeListingRead& read) : m_read(read) {}

    static void XMLCALL opened(void* self, const XML_Char* name, const XML_Char** attributes) {
        static_cast<TreeListingParser*>(self)->open(name, attributes);
    }
    static void XMLCALL closed(void* self, const XML_Char*) {
        static_cast<TreeListingParser*>(self)->close();
    }
    static void XMLCALL text(void* self, const XML_Char* text, int length) {
        auto& parser = *static_cast<TreeListingParser*>(self);
        if (parser.m_in == In::kResult && parser.m_depth == 2)
            parser.m_result.append(text, static_cast<std::size_t>(length));
    }

    void finish() {
        m_read.accepted = m_read.hasResult && m_result == "1";
        m_read.complete = m_stage == Stage::kDone;
    }

private:
    enum class Stage { kResult, kFiles, kFolders, kDone };  // what the root's children hold next
    enum class In { kNone, kResult, kFiles, kFolders };     // the root's child that counts

    void open(std::string_view name, const XML_Char** attributes) {
        ++m_depth;
        if (m_depth == 2) {
            m_in = In::kNone;
            if (m_stage == Stage::kResult && name == "result") {
                m_read.hasResult = true;
                m_in = In::kResult;
                m_stage = Stage::kFiles;
            } else if (m_stage == Stage::kFiles && name == "files") {
                m_in = In::kFiles;
                m_stage = Stage::kFolders;
            } else if (m_stage == Stage::kFolders && name == "folders") {
                m_in = In::kFolders;
                m_stage = Stage::kDone;
            }
        } else if (m_depth == 3 && m_in == In::kFiles && name == "file") {
            add(m_read.listing.files, EntryAttributes(ExpatAttributes{attributes}), true);
        } else if (m_depth == 3 && m_in == In::kFolders && name == "folder") {
            add(m_read.listing.folders, EntryAttributes(ExpatAttributes{attributes}), false);
        }
    }

    void close() {
        if (m_depth == 2)
            m_in = In::kNone;
        --m_depth;
    }

    static void add(std::vector<TreeEntry>& entries, const EntryAttributes& get, bool file) {
        TreeEntry& entry = entries.emplace_back();
        // Compared in composed form, whichever form the uploading system wrote.
        entry.path = belowListed(get[kPath]) + toNfc(get[kName]);
        if (file) {
            entry.path += get[kExt];
            entry.size = toInt64(listedSizeText(get[kSize]));
        }
        entry.id = get[kId];
        entry.time = get[kTime];
    }

    TreeListingRead& m_read;
    int m_depth = 0;
    Stage m_stage = Stage::kResult;
    In m_in = In::kNone;
    std::string m_result;
};

}  // namespace

std::optional<TreeListingRead> readTreeListing(std::string_view answer) {
    if (!isValidUtf8(answer))
        return std::nullopt;
    TreeListingRead read;
    TreeListingParser handler(read);
    const std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)> parser(
        XML_ParserCreate("UTF-8"), &XML_ParserFree);
    if (!parser)
        return std::nullopt;
    XML_SetUserData(parser.get(), &handler);
    XML_SetElementHandler(parser.get(), &TreeListingParser::opened, &TreeListingParser::closed);
    XML_SetCharacterDataHandler(parser.get(), &TreeListingParser::text);
    // In pieces: expat takes a length that fits an int.
    constexpr std::size_t kPiece = 1 << 20;
    do {
        const std::string_view piece = answer.substr(0, kPiece);
        answer.remove_prefix(piece.size());
        if (XML_Parse(parser.get(), piece.data(), static_cast<int>(piece.size()),
                      answer.empty() ? XML_TRUE : XML_FALSE) != XML_STATUS_OK)
            return std::nullopt;
    } while (!answer.empty());
    handler.finish();
    return read;
}

std::optional<ListingRead> readListing(std::string_view answer, const ListingShape& shape) {
    pugi::xml_document document;
    if (!parseDocument(document, answer))
        return std::nullopt;
    ListingRead read;
    ForwardSearch top(document);
    const pugi::xml_node root = top.find({});
    ForwardSearch search(root);
    const pugi::xml_node result = root ? search.find("result") : pugi::xml_node();
    if (!result)
        return read;
    read.hasResult = true;
    read.accepted = std::string_view(result.child_value()) == "1";
    read.message = root.child("msg").child_value();
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
