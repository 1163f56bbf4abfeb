#include "service/service_client.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <utility>

#include "service/attribute_answer.h"
#include "service/local_target.h"
#include "service/signed_query.h"
#include "service/text_codec.h"
#include "xml/markup_navigator.h"

namespace nubexa {

namespace {

constexpr const char* kAvatarFolder = "image/userFile/";
constexpr const char* kStockAvatar = "faceDemo.png";
constexpr const char* kFrameImage = "image/skin/frame7.jpg";

struct AvatarChoice {
    std::string avatar;
    std::string path;
    int cached = 0;
};

// The avatar named by a sign-in answer. Password sign-in trusts only a non-empty local copy,
// web sign-in any copy. A name that is not a plain file name is dropped: it could point
// outside the avatar folder.
AvatarChoice chooseAvatar(const std::string& programFolder, const std::string& name,
                          bool requireContent) {
    AvatarChoice choice;
    choice.path = kAvatarFolder;
    if (!name.empty() && !isSafeFileName(name)) {
        std::fprintf(stderr, "avatar name refused: %s\n", name.c_str());
    } else {
        choice.avatar = name;
    }
    bool present = false;
    if (!choice.avatar.empty()) {
        std::error_code error;
        const std::filesystem::path file = programFolder + kAvatarFolder + choice.avatar;
        present = std::filesystem::is_regular_file(file, error);
        if (present && requireContent)
            present = std::filesystem::file_size(file, error) > 0 && !error;
    }
    choice.cached = present ? 1 : 0;
    choice.path += present ? choice.avatar : std::string(kStockAvatar);
    return choice;
}

FrameOptions withStop(FrameOptions options, std::shared_ptr<const std::atomic<bool>> stop,
                      const ServiceConfig& config) {
    options.stop = std::move(stop);
    options.caFile = config.caFile;
    return options;
}

}  // namespace

ServiceClient::ServiceClient(ServiceConfig config, std::string programFolder, FrameOptions options)
    : m_config(std::move(config)),
      m_programFolder(std::move(programFolder)),
      m_frame(m_config.apiHost, withStop(std::move(options), m_stop, m_config)) {
    m_account.sid = drawSid();
    m_account.web_signin_kind = "qq";
    m_account.web_signin_state = 0;
    m_account.signed_in = 0;
}

AccountInfo ServiceClient::account() const {
    std::lock_guard lock(m_mutex);
    return m_account;
}

void ServiceClient::updateAccount(const std::function<void(AccountInfo&)>& change) {
    for (;;) {
        AccountInfo copy;
        std::uint64_t version = 0;
        {
            std::lock_guard lock(m_mutex);
            copy = m_account;
            version = m_accountVersion;
        }
        change(copy);
        std::lock_guard lock(m_mutex);
        if (version == m_accountVersion) {
            m_account = std::move(copy);
            ++m_accountVersion;
            return;
        }
    }
}

std::shared_ptr<const DiskTables> ServiceClient::tablesSnapshot() const {
    std::lock_guard lock(m_mutex);
    return m_tables;
}

void ServiceClient::readTables(const std::function<void(const DiskTables&)>& reader) const {
    const auto snapshot = tablesSnapshot();
    reader(*snapshot);
}

Announcements ServiceClient::announcements() const {
    std::lock_guard lock(m_mutex);
    return m_announcements;
}

std::string ServiceClient::drawSid() {
    static constexpr char kAlphabet[] =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    // The sid alone lets its holder collect the web sign-in's token, so it must not be
    // guessable from the time it was drawn.
    std::random_device source;
    std::uniform_int_distribution<int> pick(0, 61);
    std::string sid;
    for (int i = 0; i < 20; ++i)
        sid.push_back(kAlphabet[pick(source)]);
    return sid;
}

Failure ServiceClient::fetchAttributes(const std::string& url, Repeat repeat,
                                       AttributeAnswer& answer) const {
    const auto text = m_frame.fetch(url, repeat);
    if (!text.ok())
        return text.failure;
    return answer.load(text.value) ? Failure::kNone : Failure::kMalformed;
}

void ServiceClient::storeSignIn(const AttributeAnswer& answer, SignInKind kind) {
    const auto* client = answer.child("client");
    const auto attribute = [client](const char* name) {
        return AttributeAnswer::attribute(client, name);
    };
    const AvatarChoice avatar =
        chooseAvatar(m_programFolder, attribute("avatar"), kind == SignInKind::kPassword);

    using namespace std::string_literals;  // whole strings: GCC 12 misreads char* assignment
    std::lock_guard lock(m_mutex);
    ++m_accountVersion;
    m_folderTreeAnswer.clear();
    AccountInfo& account = m_account;
    account.key = attribute("key");
    account.token = attribute("token");
    if (kind == SignInKind::kPassword)
        account.param_token = attribute("param_token");
    account.uid = attribute("uid");
    account.disk_size = attribute("DiskSize");
    account.used_size = attribute("UsedSize");
    account.signed_in = 1;
    account.current_dir_id = "0"s;
    account.parent_dir_id = "0"s;
    account.folder_tree_stale = 1;
    account.avatar = avatar.avatar;
    account.avatar_path = avatar.path;
    account.avatar_cached = avatar.cached;
    account.ftp_host = attribute("ftp_host");
    account.ftp_username = attribute("ftp_username");
    account.ftp_pwd = attribute("ftp_pwd");
    account.ftp_port = toInt32(attribute("ftp_port"));
    account.resource_ftp_host = attribute("resource_ftp_host");
    account.resource_ftp_port = toInt32(attribute("resource_ftp_port"));
    account.resource_ftp_username = attribute("resource_ftp_username");
    account.resource_ftp_pwd = attribute("resource_ftp_pwd");
    account.draw_count = toInt32(attribute("draw_count"));
    account.max_draw_size = toInt32(attribute("max_draw_size"));
    account.sort_order = "name"s;
    account.sort_desc = "0"s;
    account.frame_image = std::string(kFrameImage);
    ++m_signInGeneration;
}

ServiceResult<int> ServiceClient::signInBy(const SignedQuery& query, SignInKind kind) {
    AttributeAnswer answer;
    if (const Failure failure =
            fetchAttributes(query.url(m_frame.apiHost()), Repeat::kBounded, answer);
        failure != Failure::kNone) {
        return ServiceResult<int>::failed(failure, 0);
    }
    if (!answer.accepted() || answer.child("client") == nullptr) {
        auto refused = ServiceResult<int>::failed(Failure::kRefused, 0);
        refused.message = answer.childText("msg");
        return refused;
    }
    storeSignIn(answer, kind);
    return ServiceResult<int>::success(1);
}

ServiceResult<int> ServiceClient::signIn(const std::string& account, const std::string& password) {
    SignedQuery query("/OAuthService.asmx/Login");
    query.add("uid", account).add("pwd", password);
    return signInBy(query, SignInKind::kPassword);
}

ServiceResult<int> ServiceClient::webSignIn() {
    SignedQuery query("/OAuthService.asmx/APILogin");
    query.add("sid", account().sid);
    const auto signedIn = signInBy(query, SignInKind::kWeb);
    if (!signedIn.ok())
        return signedIn;
    const AccountInfo account = this->account();
    GetUserInfo(account.uid, account.token);
    GetFiles(account.uid, account.token, account.current_dir_id, account.sort_order,
             account.sort_desc);
    return signedIn;
}

int ServiceClient::GetUserInfo(const std::string& uid, const std::string& token) {
    return fetchUserInfo(uid, token).value;
}

ServiceResult<int> ServiceClient::fetchUserInfo(const std::string& uid, const std::string& token) {
    SignedQuery query("/UserService.asmx/GetUserInfo");
    query.add("uid", uid).add("token", token);
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(m_mutex);
        generation = m_signInGeneration;
    }
    // An answer without "result" or "user" counts as none and is asked for again.
    const auto hasUser = [](MarkupNavigator& navigator) {
        return navigator.findElem() && navigator.findChildElem("result") &&
               navigator.findChildElem("user") && navigator.intoElem();
    };
    const auto text = m_frame.fetch(query.signedUrl(m_frame.apiHost()), Repeat::kBounded,
                                    [&](const std::string& candidate) {
                                        MarkupNavigator navigator;
                                        return navigator.setDoc(candidate) && hasUser(navigator);
                                    });
    MarkupNavigator navigator;
    if (!text.ok())
        return ServiceResult<int>::failed(text.failure, 0);
    if (!navigator.setDoc(text.value) || !hasUser(navigator))
        return ServiceResult<int>::failed(Failure::kMalformed, 0);

    struct Field {
        const char* name;
        std::optional<std::string> value;
    };
    Field fields[] = {
        {"VIP", {}}, {"WIP", {}}, {"Integral", {}}, {"Nickname", {}}, {"UploadSize", {}}};
    for (auto& field : fields) {
        if (navigator.findChildElem(field.name))
            field.value = navigator.getChildData();
    }
    std::lock_guard lock(m_mutex);
    // The user of an earlier sign-in must not lend their details to the next one.
    if (generation != m_signInGeneration)
        return ServiceResult<int>::failed(Failure::kStale, 0);
    ++m_accountVersion;
    if (fields[0].value)
        m_account.vip = *fields[0].value;
    if (fields[1].value)
        m_account.wip = *fields[1].value;
    if (fields[2].value)
        m_account.integral = *fields[2].value;
    if (fields[3].value)
        m_account.nickname = *fields[3].value;
    if (fields[4].value)
        m_account.upload_size = toInt64(*fields[4].value);
    return ServiceResult<int>::success(1);
}

int ServiceClient::ResetAccount() {
    std::string sid = drawSid();
    std::lock_guard lock(m_mutex);
    ++m_accountVersion;
    m_folderTreeAnswer.clear();
    m_account.key.clear();
    m_account.token.clear();
    m_account.uid = std::string("-1");
    m_account.signed_in = 0;
    m_account.ftp_host.clear();
    m_account.ftp_username.clear();
    m_account.ftp_pwd.clear();
    m_account.ftp_port = 0;
    m_account.web_signin_state = 0;
    m_account.sid = std::move(sid);
    ++m_signInGeneration;
    return 1;
}

int ServiceClient::AddDrawDiskSize(const std::string& uid, const std::string& token,
                                   const std::string& size) const {
    SignedQuery query("/UserService.asmx/AddDrawDiskSize");
    query.add("uid", uid).add("token", token).add("size", size);
    return judged(query);
}

std::string ServiceClient::Announcement(const std::string& uid, const std::string& token) {
    SignedQuery query("/ExtendService.asmx/Announcement");
    query.add("uid", uid).add("token", token);
    const std::string text = m_frame.send(query.signedUrl(m_frame.apiHost()), Repeat::kBounded);
    MarkupNavigator navigator;
    if (text.empty() || !navigator.setDoc(text) || !navigator.findElem() ||
        !navigator.findChildElem("result") || !navigator.findChildElem("anncs") ||
        !navigator.intoElem()) {
        return {};
    }
    Announcements notices;
    while (navigator.findChildElem("item")) {
        notices.announcement_titles.push_back(navigator.getChildAttrib("title"));
        notices.announcement_urls.push_back(navigator.getChildAttrib("url"));
    }
    std::lock_guard lock(m_mutex);
    m_announcements = std::move(notices);
    return {};
}

}  // namespace nubexa
