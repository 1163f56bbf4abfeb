#include "cli/message_notifier.h"

#include <optional>
#include <string_view>
#include <utility>

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
    {"不能把文件系统的最顶层作为文件夹上传",
     "the top of the file system cannot be uploaded as a folder"},
    {"服务器忙，请稍后再试", "the service is busy; try again later"},
    {"登录失败次数过多，请1分钟后再试",
     "too many failed sign-ins; the service takes the next one in a minute"},
    {"登录已失效，请重新登录", "the sign-in has expired; run \"nubexa-cli login\" again"},
    // Why an entry of a folder upload is left out.
    {"链接指向的项目不存在", "a link to nothing"},
    {"链接形成循环", "a link that leads round in a loop"},
    {"指向文件夹的链接，未跟随", "a link to a folder, not followed"},
    {"不是普通文件（管道、套接字或设备）", "not a regular file (a pipe, socket or device)"},
    {"无法读取", "cannot be read"},
    {"名称无效", "not a valid name"},
    {"名称不是有效的UTF-8文本", "the name is not valid UTF-8 text"},
    {"名称太长（网盘最多255字节）", "the name is too long (the disk takes 255 bytes at most)"},
    // Why a sync round left a file out or did not finish it.
    {"链接", "a link, not followed"},
    {"特殊文件", "not a regular file (a pipe, socket or device)"},
    {"同名文件已存在", "another local name stands for the same disk name"},
    {"文件在同步时被修改", "it changed while the round ran; the next round takes it"},
    {"冲突副本已存在", "a conflict copy of that name exists already"},
    {"无法创建网盘文件夹", "its disk folder could not be made"},
    {"未能加入上传队列", "it could not be queued for upload"},
    {"未能加入下载队列", "it could not be queued for download"},
    {"文件名经过转换，不能从网盘更新",
     "its name was changed for the disk, so it cannot be updated from there"},
    // Why a file could not go to the desktop's trash.
    {"回收站无法写入", "the trash cannot be written"},
    {"回收站中同名文件过多", "the trash holds too many files of that name"},
};

// Texts that follow "(name）".
constexpr KnownText kAfterName[] = {
    {"单文件大小超过你当前等级限制", "is larger than your level allows for one file"},
    {"无法读取，没有上传", "cannot be read: not uploaded"},
    {"文件夹创建失败，其中的文件没有上传", "folder could not be made: its files were not uploaded"},
    {"的名称以组合形式（NFC）保存",
     "is saved in composed Unicode form (NFC), as it is written here"},
};

// Texts that end with a name.
constexpr KnownText kBeforeName[] = {
    {"本地路径已经存在该文件，不能下载。失败文件名为:",
     "the local file exists already; not downloaded: "},
    {"本地文件未找到或位置发现变化，上传失败。失败文件名为:",
     "the local file is missing or moved; upload failed: "},
    {"文件服务器暂不接受登录：", "the file server does not take a sign-in now: "},
    {"磁盘空间不足：", "no space left on the disk of "},
    {"无法写入 bin.db，传输暂停：", "bin.db cannot be written, so no task is started: "},
    {"文件服务器拒绝加密，密码和文件以明文传输：",
     "warning: the file server refused encryption; the password and the files go in clear "
     "text: "},
    {"下载位置中有链接或文件挡住了文件夹，不能下载：",
     "a link or file stands where a folder of the download should be; not downloaded: "},
};

// Texts that follow a count ("3 个…"). An empty English form: the command lists each case on
// its own line already, so the sum is not said again.
constexpr KnownText kAfterCount[] = {
    {" 个文件名含有网盘不允许的字符，已替换为全角字符", ""},
    {" 个名称与同一文件夹中的项目重名，已加上编号", ""},
    {" 个文件名无法在本地使用，已改为安全的名称",
     " file name(s) cannot be used here and were given safe local names"},
    {" 个名称以组合形式（NFC）保存",
     " name(s) are saved in composed Unicode form (NFC), as they are written here"},
};

// "已跳过 N 个无法上传的项目": each skipped entry has its own line too.
constexpr std::string_view kSkippedEntries = "已跳过 ";

// The count and the rest of a text that starts with a number.
std::optional<std::pair<std::string, std::string_view>> splitCount(const std::string& text) {
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    if (digits == 0)
        return std::nullopt;
    return std::make_pair(text.substr(0, digits), std::string_view(text).substr(digits));
}

}  // namespace

std::string coreMessageText(const std::string& text) {
    if (const auto counted = splitCount(text)) {
        for (const KnownText& known : kAfterCount) {
            if (counted->second == known.chinese) {
                if (known.english.empty())
                    return {};
                return chineseMessages() ? text : counted->first + std::string(known.english);
            }
        }
    }
    if (std::string_view(text).substr(0, kSkippedEntries.size()) == kSkippedEntries)
        return {};
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
        for (const KnownText& known : kWholeTexts) {
            if (rest == known.chinese)
                return text.substr(1, end - 1) + ": " + std::string(known.english);
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
    if (const std::string line = coreMessageText(text); !line.empty())
        complain(line);
}

}  // namespace nubexa::cli
