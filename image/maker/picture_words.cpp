#include "picture_words.h"

#include <cstring>

namespace nubexa::maker {

namespace {

struct Twin {
    const char* chinese;
    const char* english;
};

// Short where the picture is small (badges, the forgotten-password link); the controls carry
// the whole words as their accessible names.
constexpr Twin kEnglish[] = {
    {"Nubexa网盘", "Nubexa Cloud Disk"},
    {"网盘 · 随时随地", "Cloud disk · anywhere"},
    {"登录", "Sign in"},
    {"QQ登录", "QQ"},
    {"微博登录", "Weibo"},
    {"注册账号", "Register"},
    {"忘记密码", "Forgot?"},
    {"记住密码", "Remember me"},
    {"自动登录", "Auto sign-in"},
    {"其他方式登录", "Or sign in with"},
    {"账号或密码错误", "Wrong name or password"},
    {"正在等待登录…", "Waiting for sign-in…"},
    {"请在浏览器中完成登录", "Finish in your browser"},
    {"加载中…", "Loading…"},
    {"上传文件", "Upload"},
    {"我的网盘", "My Files"},
    {"我的外链", "Shared Links"},
    {"我的直链", "Direct Links"},
    {"回收站", "Recycle Bin"},
    {"最近上传", "Recent Uploads"},
    {"正在上传", "Uploading"},
    {"正在下载", "Downloading"},
    {"普通", "Basic"},
    {"直链", "Link"},
    {"扩容", "+Space"},
    {"确定", "OK"},
    {"取消", "Cancel"},
    {"外链分享", "Share a link"},
    {"一个链接，好友随时下载", "One link: friends download any time"},
    {"网盘直链", "Direct links"},
    {"文件直达的下载地址，可设白名单防盗链", "A file's own address, with a list of allowed sites"},
};

Words g_words = Words::kChinese;
std::vector<std::string> g_untranslated;

bool hasCjk(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x3000)
            return true;
    }
    return false;
}

}  // namespace

void setWords(Words words) {
    g_words = words;
}

Words words() {
    return g_words;
}

QString pictureWords(const char* chinese) {
    const QString text = QString::fromUtf8(chinese);
    if (g_words == Words::kChinese)
        return text;
    for (const Twin& twin : kEnglish) {
        if (std::strcmp(twin.chinese, chinese) == 0)
            return QString::fromUtf8(twin.english);
    }
    if (hasCjk(text))
        g_untranslated.emplace_back(chinese);
    return text;
}

std::vector<std::string> untranslatedWords() {
    return g_untranslated;
}

}  // namespace nubexa::maker
