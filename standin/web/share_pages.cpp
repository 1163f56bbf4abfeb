// Public pages of shared items ("/s/<key>") and direct links ("/d/<name>"), with the file
// bytes streamed from the content folder.
#include <fstream>
#include <memory>

#include "standin/store/folder_store.h"
#include "standin/store/listing_store.h"
#include "standin/store/share_store.h"
#include "standin/util/crypto_util.h"
#include "standin/util/text_util.h"
#include "standin/web/form_guard.h"
#include "standin/web/html_page.h"

namespace nubexa::standin {

namespace {

struct SharedFile {
    std::int64_t accountId = 0;
    FileRow row;
};

// How a file is sent: its type, and whether a browser may show it in place. Only passive
// types are shown in place; anything a browser would run (pages, pictures with script, script
// files) goes out as plain text, and every other type as an attachment. Together with nosniff
// and the sandbox policy, no upload can run script on this origin.
struct Delivery {
    std::string type;
    bool inlineAllowed = false;
};

Delivery deliveryOf(const std::string& ext) {
    const std::string e = foldCase(ext);
    if (e == ".txt" || e == ".md" || e == ".csv")
        return {"text/plain; charset=utf-8", true};
    if (e == ".png")
        return {"image/png", true};
    if (e == ".jpg" || e == ".jpeg")
        return {"image/jpeg", true};
    if (e == ".gif")
        return {"image/gif", true};
    if (e == ".pdf")
        return {"application/pdf", false};
    for (const char* runnable :
         {".html", ".htm", ".xhtml", ".shtml", ".svg", ".svgz", ".xml", ".xsl", ".xslt", ".js",
          ".mjs", ".css", ".swf", ".mht", ".mhtml"}) {
        if (e == runnable)
            return {"text/plain; charset=utf-8", false};
    }
    return {"application/octet-stream", false};
}

void streamFile(const ServiceContext& service, const SharedFile& file, bool attachment,
                httplib::Response& response) {
    const std::string path = service.content.contentPath(file.accountId, file.row.id);
    auto in = std::make_shared<std::ifstream>(path, std::ios::binary);
    if (!*in) {
        sendPage(response, 404, renderPage("文件不存在", "<p>文件内容不可用。</p>", std::nullopt));
        return;
    }
    const Delivery delivery = deliveryOf(file.row.ext);
    const bool shownInPlace = !attachment && delivery.inlineAllowed;
    response.set_header("Content-Disposition", std::string(shownInPlace ? "inline" : "attachment") +
                                                   "; filename*=UTF-8''" +
                                                   percentEncode(file.row.fullName()));
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_header("Content-Security-Policy", "sandbox");
    response.set_content_provider(
        static_cast<std::size_t>(file.row.size), delivery.type,
        [in](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            char buffer[65536];
            in->clear();
            in->seekg(static_cast<std::streamoff>(offset));
            in->read(buffer, static_cast<std::streamsize>(std::min(length, sizeof buffer)));
            const auto got = in->gcount();
            return got > 0 && sink.write(buffer, static_cast<std::size_t>(got));
        });
}

// The share of a key with the live item it shares.
struct OpenShare {
    ShareRow share;
    std::string title;
    std::optional<FileRow> file;      // a file share
    std::optional<FolderRow> folder;  // a folder share
};

std::optional<OpenShare> openShare(SqlTx& tx, const std::string& key) {
    const auto share = ShareStore::findShare(tx, key);
    if (!share)
        return std::nullopt;
    FolderStore folders(tx, share->accountId);
    OpenShare open{*share, {}, {}, {}};
    if (share->kind == ItemKind::File) {
        open.file = folders.file(share->itemId);
        if (!open.file || !open.file->ready || open.file->binEntry != 0)
            return std::nullopt;
        open.title = open.file->fullName();
    } else {
        open.folder = folders.folder(share->itemId);
        if (!open.folder || open.folder->binEntry != 0)
            return std::nullopt;
        open.title = open.folder->name;
    }
    return open;
}

// What a visitor has unlocked lives in cookies scoped to the share's pages, signed with the
// service's secret over the password they unlocked: the codes stay out of addresses, and a
// changed password locks again.
std::string unlockCookieName(const ShareRow& share, const std::string& lock) {
    return "nbx_" + share.key + "_" + lock;
}

std::string unlockProof(const ServiceContext& service, const ShareRow& share,
                        const std::string& lock, const std::string& password) {
    return hmacSha256Hex(service.formSecret, share.key + "\n" + lock + "\n" + password);
}

bool unlocked(const ServiceContext& service, const httplib::Request& request, const ShareRow& share,
              const std::string& lock, const std::string& password) {
    return sameSecret(cookieValue(request, unlockCookieName(share, lock)),
                      unlockProof(service, share, lock, password));
}

void rememberUnlock(const ServiceContext& service, httplib::Response& response,
                    const ShareRow& share, const std::string& lock, const std::string& password) {
    response.set_header("Set-Cookie", unlockCookieName(share, lock) + "=" +
                                          unlockProof(service, share, lock, password) +
                                          "; Path=/s/" + share.key + "; HttpOnly; SameSite=Lax");
}

// Extraction codes are typed from a message: blanks around them and the letters' case do not
// matter.
std::string normalizedCode(const std::string& code) {
    const auto first = code.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = code.find_last_not_of(" \t\r\n");
    return foldCase(code.substr(first, last - first + 1));
}

constexpr const char* kCodeLock = "code";

// A share's extraction code and the passwords of what it holds are guessed as sign-in
// passwords are (GuessThrottle): each one counted per address, from one address whatever it
// guesses, and from everywhere. Each lock is a secret of its own, so knowing a share's code
// does not spare its folders' passwords the count.
std::string shareSecret(const ShareRow& share, const std::string& lock) {
    return "share:" + share.key + ":" + lock;
}

// The refusal to show when `request`'s address may not try that lock of the share now.
std::optional<std::string> guessRefusal(const ServiceContext& service,
                                        const httplib::Request& request, const ShareRow& share,
                                        const std::string& lock) {
    const auto wait = service.shareGuesses.lockedFor(shareSecret(share, lock), request.remote_addr);
    if (wait.count() == 0)
        return std::nullopt;
    return "尝试次数过多，请" + std::to_string(waitMinutes(wait)) + "分钟后再试";
}

// Counts a guess at one of the share's locks; whether it was right.
bool judgeGuess(const ServiceContext& service, const httplib::Request& request,
                const ShareRow& share, const std::string& lock, bool right) {
    if (right)
        service.shareGuesses.succeeded(shareSecret(share, lock), request.remote_addr);
    else
        service.shareGuesses.failed(shareSecret(share, lock), request.remote_addr);
    return right;
}

std::string folderLock(std::int64_t id) {
    return "f" + std::to_string(id);
}

std::string fileLock(std::int64_t id) {
    return "i" + std::to_string(id);
}

// The folders from the shared folder down to `id`, or nullopt when `id` is not a live folder
// inside the share.
std::optional<std::vector<FolderRow>> chainInShare(FolderStore& folders, const FolderRow& root,
                                                   std::int64_t id) {
    std::vector<FolderRow> chain;
    for (std::int64_t at = id; chain.size() < 256;) {
        const auto row = at == root.id ? std::optional<FolderRow>(root) : folders.folder(at);
        if (!row || row->binEntry != 0)
            return std::nullopt;
        chain.insert(chain.begin(), *row);
        if (at == root.id)
            return chain;
        at = row->parentId;
        if (at == 0)
            return std::nullopt;
    }
    return std::nullopt;
}

// The first protected folder of the chain the visitor has not unlocked.
std::optional<FolderRow> firstLocked(const ServiceContext& service, const httplib::Request& request,
                                     const ShareRow& share, const std::vector<FolderRow>& chain) {
    for (const auto& folder : chain) {
        if (!folder.pwd.empty() &&
            !unlocked(service, request, share, folderLock(folder.id), folder.pwd))
            return folder;
    }
    return std::nullopt;
}

std::string shareHeading(const OpenShare& open) {
    std::string html;
    if (!open.share.description.empty())
        html += "<p class=\"note\">分享说明：" + htmlEscape(open.share.description) + "</p>";
    return html;
}

std::string passwordForm(const std::string& label, const std::string& field,
                         const std::string& typed, const std::string& hidden,
                         const std::string& error, const std::string& token,
                         const std::string& button) {
    return (error.empty() ? std::string() : "<p class=\"error\">" + htmlEscape(error) + "</p>") +
           "<form method=\"post\">" + token + hidden + "<label for=\"" + field + "\">" + label +
           "</label><input type=\"text\" id=\"" + field + "\" name=\"" + field +
           "\" maxlength=\"64\" autocomplete=\"off\" value=\"" + htmlEscape(typed) +
           "\"><button type=\"submit\">" + button + "</button></form>";
}

struct ShareView {
    std::int64_t dir = 0;   // the folder shown; 0 for the shared folder itself
    std::string error;      // of the form shown
    std::string typed;      // what the visitor typed into it
    std::int64_t file = 0;  // a protected file in the folder whose password is asked
};

void showShare(const ServiceContext& service, const httplib::Request& request,
               httplib::Response& response, const ShareView& view, int status = 200) {
    // Before the transaction: it holds the database, and so would a look-up inside it.
    const auto who = browserAccount(service, request);
    SqlTx tx(service.database);
    const auto open = openShare(tx, request.matches[1]);
    if (!open) {
        sendPage(response, 404, renderPage("分享不存在", "<p>分享已取消或已失效。</p>", who));
        return;
    }
    const ShareRow& share = open->share;
    const std::string token = FormGuard::field(service, request, response);
    std::string body = shareHeading(*open);
    if (!share.pwd.empty() &&
        !unlocked(service, request, share, kCodeLock, normalizedCode(share.pwd))) {
        body += passwordForm("提取码", "code", view.typed, {}, view.error, token, "提取文件");
        sendPage(response, status, renderPage(open->title, body, who));
        return;
    }
    const std::string base = "/s/" + share.key;
    if (open->file) {
        const FileRow& file = *open->file;
        if (!file.pwd.empty() && !unlocked(service, request, share, fileLock(file.id), file.pwd)) {
            body += "<p>该文件已加密" +
                    (file.pwdTip.empty() ? std::string()
                                         : "（密码提示：" + htmlEscape(file.pwdTip) + "）") +
                    "，请输入文件密码。</p>" +
                    passwordForm(
                        "文件密码", "itempwd", view.typed,
                        "<input type=\"hidden\" name=\"lock\" value=\"" + fileLock(file.id) + "\">",
                        view.error, token, "打开");
        } else {
            body += "<ul class=\"files\"><li><a href=\"" + base + "/file/" +
                    std::to_string(file.id) + "\">" + htmlEscape(file.fullName()) + "</a> (" +
                    sizeForPeople(file.size) + ")</li></ul>";
        }
        sendPage(response, status, renderPage(open->title, body, who));
        return;
    }
    FolderStore folders(tx, share.accountId);
    const auto chain =
        chainInShare(folders, *open->folder, view.dir == 0 ? open->folder->id : view.dir);
    if (!chain) {
        sendPage(response, 404, renderPage("文件夹不存在", "<p>该文件夹不在分享中。</p>", who));
        return;
    }
    // Where the visitor is, each level a link back up.
    body += "<p class=\"path\">";
    for (std::size_t i = 0; i < chain->size(); ++i) {
        const FolderRow& level = (*chain)[i];
        const std::string name = "<span class=\"dir\"></span>" + htmlEscape(level.name);
        body += (i == 0 ? "" : " / ");
        body += i + 1 == chain->size()
                    ? "<b>" + name + "</b>"
                    : "<a href=\"" + base + (i == 0 ? "" : "?dir=" + std::to_string(level.id)) +
                          "\">" + name + "</a>";
    }
    body += "</p>";
    if (const auto locked = firstLocked(service, request, share, *chain)) {
        body +=
            "<p>文件夹“" + htmlEscape(locked->name) + "”已加密" +
            (locked->pwdTip.empty() ? std::string()
                                    : "（密码提示：" + htmlEscape(locked->pwdTip) + "）") +
            "，请输入文件夹密码。</p>" +
            passwordForm("文件夹密码", "itempwd", view.typed,
                         "<input type=\"hidden\" name=\"lock\" value=\"" + folderLock(locked->id) +
                             "\"><input type=\"hidden\" name=\"dir\" "
                             "value=\"" +
                             std::to_string(chain->back().id) + "\">",
                         view.error, token, "打开");
        sendPage(response, status, renderPage(open->title, body, who));
        return;
    }
    const Listing listing = ListingStore(tx, share.accountId).folder(chain->back().id);
    const std::string here = base + "?dir=" + std::to_string(chain->back().id);
    auto fileLocked = [&](const FileRow& file) {
        return !file.pwd.empty() && !unlocked(service, request, share, fileLock(file.id), file.pwd);
    };
    for (const auto& file : listing.files) {
        if (file.row.id == view.file && fileLocked(file.row)) {
            body +=
                "<p>文件“" + htmlEscape(file.row.fullName()) + "”已加密" +
                (file.row.pwdTip.empty() ? std::string()
                                         : "（密码提示：" + htmlEscape(file.row.pwdTip) + "）") +
                "，请输入文件密码。</p>" +
                passwordForm("文件密码", "itempwd", view.typed,
                             "<input type=\"hidden\" name=\"lock\" value=\"" +
                                 fileLock(file.row.id) +
                                 "\"><input type=\"hidden\" name=\"dir\" value=\"" +
                                 std::to_string(chain->back().id) + "\">",
                             view.error, token, "打开") +
                "<p><a href=\"" + here + "\">返回文件夹</a></p>";
            sendPage(response, status, renderPage(open->title, body, who));
            return;
        }
    }
    body += "<ul class=\"files\">";
    for (const auto& sub : listing.folders)
        body += "<li><a href=\"" + base + "?dir=" + std::to_string(sub.row.id) +
                "\"><span class=\"dir\"></span>" + htmlEscape(sub.row.name) + "</a>" +
                (sub.row.pwd.empty() ? "" : kLockBadge) + "</li>";
    for (const auto& file : listing.files)
        body += "<li><a href=\"" + (fileLocked(file.row) ? here + "&file=" : base + "/file/") +
                std::to_string(file.row.id) + "\">" + htmlEscape(file.row.fullName()) + "</a> (" +
                sizeForPeople(file.row.size) + ")" + (file.row.pwd.empty() ? "" : kLockBadge) +
                "</li>";
    if (listing.folders.empty() && listing.files.empty())
        body += "<li class=\"note\">（空文件夹）</li>";
    body += "</ul>";
    sendPage(response, status, renderPage(open->title, body, who));
}

std::int64_t dirOf(const httplib::Request& request) {
    return parseCount(formValue(request, "dir")).value_or(0);
}

void sharePage(const ServiceContext& service, const httplib::Request& request,
               httplib::Response& response) {
    // A link written with "?pwd=" opens once; the code then leaves the address.
    if (const std::string code = formValue(request, "pwd"); !code.empty()) {
        std::optional<ShareRow> share;
        {
            // Ended before any page is shown: showing one takes the database again.
            SqlTx tx(service.database);
            if (const auto open = openShare(tx, request.matches[1]))
                share = open->share;
        }
        if (share && !share->pwd.empty()) {
            if (const auto refusal = guessRefusal(service, request, *share, kCodeLock))
                return showShare(service, request, response, {0, *refusal, code}, 429);
            const std::string expected = normalizedCode(share->pwd);
            if (judgeGuess(service, request, *share, kCodeLock,
                           sameSecret(normalizedCode(code), expected))) {
                rememberUnlock(service, response, *share, kCodeLock, expected);
                redirect(response, "/s/" + share->key);
                return;
            }
        }
        return showShare(service, request, response, {0, "提取码错误", code});
    }
    showShare(service, request, response,
              {dirOf(request), {}, {}, parseCount(formValue(request, "file")).value_or(0)});
}

void unlockShare(const ServiceContext& service, const httplib::Request& request,
                 httplib::Response& response) {
    const std::int64_t dir = dirOf(request);
    const std::string lock = formValue(request, "lock");
    const std::string typed = formValue(request, lock.empty() ? "code" : "itempwd");
    const std::int64_t lockedFile =
        lock.size() > 1 && lock[0] == 'i' ? parseCount(lock.substr(1)).value_or(0) : 0;
    if (!FormGuard::accepts(service, request))
        return showShare(service, request, response, {dir, kFormExpired, typed, lockedFile}, 403);
    std::optional<OpenShare> open;
    std::optional<std::string> password;  // of the lock named
    {
        SqlTx tx(service.database);
        open = openShare(tx, request.matches[1]);
        if (open && lock.empty()) {
            password = normalizedCode(open->share.pwd);
        } else if (open && lock.size() > 1) {
            const auto id = parseCount(lock.substr(1));
            FolderStore folders(tx, open->share.accountId);
            if (id && lock[0] == 'f' && open->folder && chainInShare(folders, *open->folder, *id)) {
                password = folders.folder(*id)->pwd;
            } else if (id && lock[0] == 'i' && open->file && open->file->id == *id) {
                password = open->file->pwd;
            } else if (const auto file =
                           id && lock[0] == 'i' && open->folder ? folders.file(*id) : std::nullopt;
                       file && file->ready && file->binEntry == 0 &&
                       chainInShare(folders, *open->folder, file->folderId)) {
                password = file->pwd;
            }
        }
    }
    if (!open || !password)
        return showShare(service, request, response, {dir, {}, {}}, 404);
    // A lock without a password has nothing to guess: trying it counts for nothing (nor makes
    // the address known to the share).
    const std::string secret = lock.empty() ? kCodeLock : lock;
    const bool guarded = !password->empty();
    if (const auto refusal =
            guarded ? guessRefusal(service, request, open->share, secret) : std::nullopt)
        return showShare(service, request, response, {dir, *refusal, typed, lockedFile}, 429);
    const bool matches = sameSecret(lock.empty() ? normalizedCode(typed) : typed, *password);
    const bool right =
        guarded ? judgeGuess(service, request, open->share, secret, matches) : matches;
    if (!right)
        return showShare(service, request, response,
                         {dir, lock.empty() ? "提取码错误" : "密码错误", typed, lockedFile});
    rememberUnlock(service, response, open->share, secret, *password);
    redirect(response, "/s/" + open->share.key + (dir == 0 ? "" : "?dir=" + std::to_string(dir)));
}

void shareDownload(const ServiceContext& service, const httplib::Request& request,
                   httplib::Response& response) {
    const auto fileId = parseCount(std::string(request.matches[2]));
    std::optional<SharedFile> served;
    {
        SqlTx tx(service.database);
        const auto open = openShare(tx, request.matches[1]);
        if (open && fileId &&
            (open->share.pwd.empty() ||
             unlocked(service, request, open->share, kCodeLock, normalizedCode(open->share.pwd)))) {
            FolderStore folders(tx, open->share.accountId);
            std::optional<FileRow> file;
            if (open->file && open->file->id == *fileId) {
                file = open->file;
            } else if (open->folder) {
                file = folders.file(*fileId);
                const auto chain =
                    file ? chainInShare(folders, *open->folder, file->folderId) : std::nullopt;
                if (!chain || !file->ready || file->binEntry != 0 ||
                    firstLocked(service, request, open->share, *chain))
                    file.reset();
            }
            if (file && (file->pwd.empty() ||
                         unlocked(service, request, open->share, fileLock(file->id), file->pwd)))
                served = SharedFile{open->share.accountId, *file};
        }
    }
    if (!served) {
        sendPage(
            response, 404,
            renderPage("文件不存在",
                       "<p>分享已取消、已失效，或该文件需要先输入提取码或密码。</p>"
                       "<p><a href=\"/s/" +
                           htmlEscape(std::string(request.matches[1])) + "\">返回分享页</a></p>",
                       browserAccount(service, request)));
        return;
    }
    streamFile(service, *served, true, response);
}

// A direct link with a white list serves only pages of the listed sites (and their sub-domains).
bool refererAllowed(const LinkRow& link, const httplib::Request& request) {
    if (link.domains.empty())
        return true;
    const std::string referer = request.get_header_value("Referer");
    const auto start = referer.find("://");
    if (start == std::string::npos)
        return false;
    std::string host = referer.substr(start + 3);
    host = foldCase(host.substr(0, host.find_first_of("/?#")));
    for (const auto& domain : splitList(link.domains)) {
        if (host == domain ||
            (host.size() > domain.size() &&
             host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
             host[host.size() - domain.size() - 1] == '.'))
            return true;
    }
    return false;
}

void directLink(const ServiceContext& service, const httplib::Request& request,
                httplib::Response& response) {
    std::optional<SharedFile> file;
    std::optional<LinkRow> link;
    {
        SqlTx tx(service.database);
        if (request.matches.size() > 2 && request.matches[2].matched) {
            const auto id = parseCount(std::string(request.matches[2]));
            link = id ? ShareStore::findLinkByKey(tx, request.matches[1], *id) : std::nullopt;
        } else {
            link = ShareStore::findLink(tx, request.matches[1]);
        }
        if (link) {
            const auto row = FolderStore(tx, link->accountId).file(link->fileId);
            if (row && row->ready && row->binEntry == 0)
                file = SharedFile{link->accountId, *row};
        }
    }
    if (!file) {
        sendPage(response, 404,
                 renderPage("直链不存在", "<p>直链已关闭或文件已删除。</p>", std::nullopt));
        return;
    }
    if (!refererAllowed(*link, request)) {
        sendPage(response, 403,
                 renderPage("禁止访问", "<p>该直链只允许在白名单网站中使用。</p>", std::nullopt));
        return;
    }
    streamFile(service, *file, false, response);
}

}  // namespace

void mountSharePages(httplib::Server& server, const ServiceContext& service) {
    server.Get(
        R"(/s/([A-Za-z0-9]{1,32}))",
        [&service](const httplib::Request& q, httplib::Response& r) { sharePage(service, q, r); });
    server.Post(R"(/s/([A-Za-z0-9]{1,32}))",
                [&service](const httplib::Request& q, httplib::Response& r) {
                    unlockShare(service, q, r);
                });
    server.Get(R"(/s/([A-Za-z0-9]{1,32})/file/([0-9]{1,18}))",
               [&service](const httplib::Request& q, httplib::Response& r) {
                   shareDownload(service, q, r);
               });
    server.Get(
        R"(/d/([A-Za-z0-9._-]{1,64})(?:/([0-9]{1,18}))?)",
        [&service](const httplib::Request& q, httplib::Response& r) { directLink(service, q, r); });
}

}  // namespace nubexa::standin
