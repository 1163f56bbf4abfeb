#include "cli/message_notifier.h"

#include <string_view>

#include "cli/cli_context.h"
#include "cli/messages.h"

namespace nubexa::cli {

namespace {

struct KnownText {
    std::string_view chinese;
    std::string_view english;
};

// Whole texts.
constexpr KnownText kWholeTexts[] = {
    {"网络异常，上传失败", "the network failed: upload not done"},
    {"网络异常，下载失败", "the network failed: download not done"},
    {"下载失败", "download failed"},
    {"选择的文件夹已经存在，请修改后再上传",
     "a folder of that name exists on the disk already; rename it and upload again"},
    {"要下载的文件夹已经存在，请改名后再下载！",
     "the folder exists locally already; rename it, choose another LOCALDIR, or continue into "
     "it with --skip-existing"},
    {"文件夹创建失败", "a local folder could not be created"},
    {"服务器忙，请稍后再试", "the service is busy; try again later"},
    {"登录已失效，请重新登录", "the sign-in has expired; run \"nubexa-cli login\" again"},
};

// Texts that follow "(name）".
constexpr KnownText kAfterName[] = {
    {"单文件大小超过你当前等级限制", "is larger than your level allows for one file"},
    {"无法读取，没有上传", "cannot be read: not uploaded"},
    {"文件夹创建失败，其中的文件没有上传", "folder could not be made: its files were not uploaded"},
};

// Texts that end with a name.
constexpr KnownText kBeforeName[] = {
    {"本地路径已经存在该文件，不能下载。失败文件名为:",
     "the local file exists already; not downloaded: "},
    {"本地文件未找到或位置发现变化，上传失败。失败文件名为:",
     "the local file is missing or moved; upload failed: "},
};

}  // namespace

std::string coreMessageText(const std::string& text) {
    if (chineseMessages())
        return text;
    for (const KnownText& known : kWholeTexts) {
        if (text == known.chinese)
            return std::string(known.english);
    }
    constexpr std::string_view kNameEnd = "）";
    if (const auto end = text.find(kNameEnd);
        !text.empty() && text.front() == '(' && end != std::string::npos) {
        const std::string_view rest = std::string_view(text).substr(end + kNameEnd.size());
        for (const KnownText& known : kAfterName) {
            if (rest == known.chinese)
                return text.substr(1, end - 1) + " " + std::string(known.english);
        }
    }
    for (const KnownText& known : kBeforeName) {
        if (std::string_view(text).substr(0, known.chinese.size()) == known.chinese)
            return std::string(known.english) + text.substr(known.chinese.size());
    }
    return text;
}

void MessageNotifier::showMessage(const std::string& /*caption*/, const std::string& text) {
    // The caption ("提示") adds nothing on a terminal; every line carries the program's prefix.
    complain(coreMessageText(text));
}

}  // namespace nubexa::cli
