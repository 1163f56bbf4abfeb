// Public pages of shared items ("/s/<key>") and direct links ("/d/<name>"), with the file
// bytes streamed from the content folder.
#include <fstream>
#include <memory>

#include "standin/store/folder_store.h"
#include "standin/web/html_page.h"
#include "standin/store/listing_store.h"
#include "standin/store/share_store.h"
#include "standin/util/text_util.h"

namespace nubexa::standin {

namespace {

struct SharedFile {
    std::int64_t accountId = 0;
    FileRow row;
};

std::string contentType(const std::string& ext) {
    const std::string e = foldCase(ext);
    if (e == ".txt" || e == ".md" || e == ".csv")
        return "text/plain; charset=utf-8";
    if (e == ".png")
        return "image/png";
    if (e == ".jpg" || e == ".jpeg")
        return "image/jpeg";
    if (e == ".gif")
        return "image/gif";
    if (e == ".pdf")
        return "application/pdf";
    if (e == ".html" || e == ".htm")
        return "text/html; charset=utf-8";
    return "application/octet-stream";
}

std::string urlEncodeForHeader(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
            b == '.' || b == '-' || b == '_') {
            out.push_back(c);
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

void streamFile(const ServiceContext& service, const SharedFile& file, bool attachment,
                httplib::Response& response) {
    const std::string path = service.content.contentPath(file.accountId, file.row.id);
    auto in = std::make_shared<std::ifstream>(path, std::ios::binary);
    if (!*in) {
        sendPage(response, 404, renderPage("文件不存在", "<p>文件内容不可用。</p>", std::nullopt));
        return;
    }
    response.set_header("Content-Disposition", std::string(attachment ? "attachment" : "inline") +
                                                   "; filename*=UTF-8''" +
                                                   urlEncodeForHeader(file.row.fullName()));
    response.set_content_provider(
        static_cast<std::size_t>(file.row.size), contentType(file.row.ext),
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
    std::vector<FileRow> files;  // the file, or the files directly in the folder
};

std::optional<OpenShare> openShare(const ServiceContext& service, const std::string& key) {
    SqlTx tx(service.database);
    const auto share = ShareStore::findShare(tx, key);
    if (!share)
        return std::nullopt;
    FolderStore folders(tx, share->accountId);
    OpenShare open{*share, {}, {}};
    if (share->kind == ItemKind::File) {
        const auto file = folders.file(share->itemId);
        if (!file || !file->ready || file->binEntry != 0)
            return std::nullopt;
        open.title = file->fullName();
        open.files.push_back(*file);
    } else {
        const auto folder = folders.folder(share->itemId);
        if (!folder || folder->binEntry != 0)
            return std::nullopt;
        open.title = folder->name;
        for (const auto& listed : ListingStore(tx, share->accountId).folder(folder->id).files)
            open.files.push_back(listed.row);
    }
    return open;
}

void sharePage(const ServiceContext& service, const httplib::Request& request,
               httplib::Response& response) {
    const auto open = openShare(service, request.matches[1]);
    if (!open) {
        sendPage(response, 404,
                 renderPage("分享不存在", "<p>分享已取消或已失效。</p>", std::nullopt));
        return;
    }
    const std::string pwd = formValue(request, "pwd");
    std::string body = "<p>分享说明：" + htmlEscape(open->share.description) + "</p>";
    if (open->share.points > 0)
        body += "<p>下载此资源需要 " + std::to_string(open->share.points) + " 积分。</p>";
    if (!open->share.pwd.empty() && pwd != open->share.pwd) {
        body += std::string(pwd.empty() ? "" : "<p class=\"error\">提取码错误</p>") +
                "<form method=\"get\"><label>提取码</label><input type=\"text\" name=\"pwd\">"
                "<button type=\"submit\">提取文件</button></form>";
    } else {
        body += "<ul>";
        for (const auto& file : open->files)
            body += "<li><a href=\"/s/" + htmlEscape(open->share.key) + "/file/" +
                    std::to_string(file.id) + "?pwd=" + htmlEscape(urlEncodeForHeader(pwd)) +
                    "\">" + htmlEscape(file.fullName()) + "</a> (" + sizeForPeople(file.size) +
                    ")</li>";
        body += "</ul>";
    }
    sendPage(response, 200, renderPage(open->title, body, std::nullopt));
}

void shareDownload(const ServiceContext& service, const httplib::Request& request,
                   httplib::Response& response) {
    const auto open = openShare(service, request.matches[1]);
    const auto fileId = parseCount(std::string(request.matches[2]));
    if (!open || !fileId ||
        (!open->share.pwd.empty() && formValue(request, "pwd") != open->share.pwd)) {
        sendPage(response, 404,
                 renderPage("分享不存在", "<p>分享已取消、已失效或提取码错误。</p>", std::nullopt));
        return;
    }
    for (const auto& file : open->files) {
        if (file.id == *fileId)
            return streamFile(service, {open->share.accountId, file}, true, response);
    }
    sendPage(response, 404, renderPage("文件不存在", "<p>该文件不在分享中。</p>", std::nullopt));
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
    server.Get(R"(/s/([A-Za-z0-9]{1,32})/file/([0-9]{1,18}))",
               [&service](const httplib::Request& q, httplib::Response& r) {
                   shareDownload(service, q, r);
               });
    server.Get(
        R"(/d/([A-Za-z0-9._-]{1,64})(?:/([0-9]{1,18}))?)",
        [&service](const httplib::Request& q, httplib::Response& r) { directLink(service, q, r); });
}

}  // namespace nubexa::standin
