// Service answers as a hostile or broken server could send them: the body goes through the
// answer decoding, the markup navigator (driven by a few bytes of the input), the listing
// readers and the attribute reading that sign-in and the account use.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "service/attribute_answer.h"
#include "service/listing_reader.h"
#include "service/text_codec.h"
#include "xml/markup_navigator.h"

namespace {

using namespace nubexa;

// Walks the document with one navigator call per program byte; the cursor's promise (it only
// moves forward, a failed search leaves it as it was) must hold whatever the document is.
void walk(std::string_view program, std::string_view document) {
    MarkupNavigator navigator;
    const bool loaded = navigator.setDoc(document);
    static const char* const kNames[] = {"",        "result", "user",   "files", "file",
                                         "folders", "folder", "client", "item",  "parentid"};
    for (const unsigned char op : program) {
        const char* name = kNames[(op >> 3) % std::size(kNames)];
        switch (op & 7) {
            case 0:
                navigator.findElem(name);
                break;
            case 1:
                navigator.findChildElem(name);
                break;
            case 2:
                navigator.intoElem();
                break;
            case 3:
                navigator.outOfElem();
                break;
            case 4:
                navigator.getData(), navigator.getChildData();
                break;
            case 5:
                navigator.getAttrib(name), navigator.getChildAttrib(name);
                break;
            case 6: {
                // A failed search keeps the cursor where it was.
                const std::string main = navigator.getTagName();
                const std::string child = navigator.getChildTagName();
                if (!navigator.findChildElem("\x01no such element") &&
                    (main != navigator.getTagName() || child != navigator.getChildTagName())) {
                    std::abort();
                }
                break;
            }
            default:
                navigator.getTagName(), navigator.getChildTagName();
                break;
        }
        if (!loaded && (navigator.findElem() || navigator.findChildElem()))
            std::abort();  // nothing is found in a document that did not parse
    }
}

void readListings(const std::string& text) {
    for (const bool withPath : {false, true}) {
        ListingShape shape;
        shape.readParent = withPath;
        shape.withPath = withPath;
        shape.limit = 64;
        const auto read = readListing(text, shape);
        if (!read)
            continue;
        if ((read->files && read->files->size() > shape.limit) ||
            (read->folders && read->folders->size() > shape.limit)) {
            std::abort();  // the bound holds whatever the answer lists
        }
    }
}

void readAccount(const std::string& text) {
    AttributeAnswer answer;
    if (!answer.load(text))
        return;
    answer.accepted();
    answer.resultText();
    const auto* client = answer.child("client");
    for (const char* name : {"uid", "token", "key", "avatar", "ftp_host", "ftp_port", "DiskSize"}) {
        const std::string value = AttributeAnswer::attribute(client, name);
        toInt32(value);
        toInt64(value);
    }
    answer.childText("user");
    std::vector<DiskFileEntry> files;
    std::vector<FolderItemLc> folders;
    readSearchAnswer(answer, files, folders);
    if (files.size() > kTableSize || folders.size() > kTableSize)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte says how many program bytes follow; the rest is the answer body.
    if (size == 0)
        return 0;
    const std::size_t programSize = std::min<std::size_t>(data[0], size - 1);
    const std::string_view program(reinterpret_cast<const char*>(data) + 1, programSize);
    const std::string_view body(reinterpret_cast<const char*>(data) + 1 + programSize,
                                size - 1 - programSize);
    const std::string text = decodeAnswer(std::string(body));
    walk(program, text);
    readListings(text);
    readAccount(text);
    return 0;
}
