#include "standin_fixture.h"

#include <httplib.h>
#include <openssl/evp.h>

#include "ftp_test_client.h"

namespace nubexa::test {

std::string clientUrlEncode(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9')) {
            out.push_back(c);
        } else if (b == ' ' || b == '\t' || b == '\n' || b == '\v' || b == '\f' || b == '\r') {
            out.push_back('+');
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

std::string md5Upper(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 15];
    }
    return out;
}

std::string percentDecodeAnswer(const std::string& body) {
    auto hex = [](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '%' && i + 2 < body.size() && hex(body[i + 1]) >= 0 &&
            hex(body[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex(body[i + 1]) * 16 + hex(body[i + 2])));
            i += 2;
        } else if (body[i] == '+') {
            out.push_back(' ');
        } else {
            out.push_back(body[i]);
        }
    }
    return out;
}

Answer::Answer(const std::string& body) : m_decoded(percentDecodeAnswer(body)) {
    if (m_document.Parse(m_decoded.c_str(), m_decoded.size()) == tinyxml2::XML_SUCCESS)
        m_root = m_document.FirstChildElement();
}

std::string Answer::text(const char* child) const {
    const auto* element = m_root != nullptr ? m_root->FirstChildElement(child) : nullptr;
    return element != nullptr && element->GetText() != nullptr ? element->GetText() : "";
}

std::string attrOf(const tinyxml2::XMLElement* element, const char* name) {
    const char* value = element != nullptr ? element->Attribute(name) : nullptr;
    return value != nullptr ? value : "";
}

std::string Answer::attr(const char* child, const char* name) const {
    return attrOf(m_root != nullptr ? m_root->FirstChildElement(child) : nullptr, name);
}

std::vector<const tinyxml2::XMLElement*> Answer::items(const char* list) const {
    std::vector<const tinyxml2::XMLElement*> out;
    const auto* parent = m_root != nullptr ? m_root->FirstChildElement(list) : nullptr;
    for (const auto* e = parent != nullptr ? parent->FirstChildElement() : nullptr; e != nullptr;
         e = e->NextSiblingElement())
        out.push_back(e);
    return out;
}

std::vector<std::string> Answer::childNames() const {
    std::vector<std::string> names;
    for (const auto* e = m_root != nullptr ? m_root->FirstChildElement() : nullptr; e != nullptr;
         e = e->NextSiblingElement())
        names.emplace_back(e->Name());
    return names;
}

void StandinTest::SetUp() {
    startService();
    m_demo = login("demo", "demo123");
    ASSERT_FALSE(m_demo.token.empty());
}

void StandinTest::TearDown() {
    if (m_service)
        m_service->stop();
}

void StandinTest::startService(bool seed,
                               const std::function<void(standin::ServiceOptions&)>& adjust) {
    if (m_service)
        m_service->stop();
    standin::ServiceOptions options;
    options.dataFolder = m_data.path() + "/data";
    options.httpPort = 0;
    options.ftp.port = 0;
    options.seedDemo = seed;
    options.logSink = [this](const std::string& line) {
        std::lock_guard lock(m_logMutex);
        m_log.push_back(line);
    };
    if (adjust)
        adjust(options);
    m_service = std::make_unique<standin::StandinService>(options);
    const auto started = m_service->start();
    ASSERT_TRUE(started.ok) << started.message;
}

std::string StandinTest::baseUrl() const {
    return "http://127.0.0.1:" + std::to_string(m_service->httpPort());
}

std::vector<std::string> StandinTest::logLines() const {
    std::lock_guard lock(m_logMutex);
    return m_log;
}

std::string StandinTest::get(const std::string& target, int* status) {
    httplib::Client client("127.0.0.1", m_service->httpPort());
    client.set_url_encode(false);
    client.set_connection_timeout(5, 0);
    client.set_read_timeout(20, 0);
    const auto response = client.Get(target.c_str());
    if (status != nullptr)
        *status = response ? response->status : -1;
    return response ? response->body : std::string();
}

Credentials StandinTest::login(const std::string& name, const std::string& password) {
    const Answer answer = call("/OAuthService.asmx/Login?uid=" + name + "&pwd=" + password);
    Credentials who;
    if (answer.result() != "1")
        return who;
    who.uid = answer.attr("client", "uid");
    who.token = answer.attr("client", "token");
    who.paramToken = answer.attr("client", "param_token");
    who.ftpUser = answer.attr("client", "ftp_username");
    who.ftpPassword = answer.attr("client", "ftp_pwd");
    who.avatar = answer.attr("client", "avatar");
    return who;
}

std::string StandinTest::signedTarget(const std::string& path, const Credentials& who,
                                      const std::vector<Param>& params, bool signHashOnly) {
    std::string query = "uid=" + who.uid + "&token=" + who.token;
    std::string signedText = who.uid + who.token;
    std::string hash;
    for (const auto& param : params) {
        const std::string value = param.encoded ? clientUrlEncode(param.value) : param.value;
        query += "&" + param.key + "=" + value;
        // The service signs what it decodes: the value itself.
        signedText += param.value;
        if (param.key == "hash")
            hash = param.value;
    }
    return path + "?" + query + "&sign=" + md5Upper(signHashOnly ? hash : signedText);
}

std::string StandinTest::addFolder(const Credentials& who, const std::string& parent,
                                   const std::string& name) {
    const Answer answer =
        signedCall("/fileservice.asmx/FolderAdd", who, {{"pid", parent}, {"name", name, true}});
    EXPECT_EQ(answer.result(), "1") << answer.decoded();
    return answer.attr("folder", "id");
}

std::string StandinTest::upload(const Credentials& who, const std::string& folderPath,
                                const std::string& dirId, const std::string& fileName,
                                const std::string& bytes) {
    FtpTestClient ftp;
    EXPECT_EQ(ftp.connect(ftpPort()), 220);
    EXPECT_TRUE(ftp.login(who.ftpUser, who.ftpPassword));
    EXPECT_EQ(FtpTestClient::codeOf(ftp.command("CWD " + folderPath)), 250);
    ftp.command("TYPE I");
    EXPECT_TRUE(ftp.openData());
    EXPECT_EQ(FtpTestClient::codeOf(ftp.command("STOR " + fileName)), 150);
    EXPECT_TRUE(ftp.sendData(bytes));
    ftp.closeData();
    EXPECT_EQ(FtpTestClient::codeOf(ftp.readReply()), 226);
    const auto dot = fileName.rfind('.');
    const std::string name = dot == std::string::npos ? fileName : fileName.substr(0, dot);
    const std::string ext = dot == std::string::npos ? "" : fileName.substr(dot);
    const Answer added = signedCall("/fileservice.asmx/FileAdd", who,
                                    {{"name", name, true},
                                     {"ext", ext},
                                     {"size", std::to_string(bytes.size())},
                                     {"dirid", dirId},
                                     {"hash", md5Upper(bytes)}},
                                    true);
    EXPECT_EQ(added.result(), "1") << added.decoded();
    const std::string id = added.attr("file", "id");
    EXPECT_EQ(FtpTestClient::codeOf(ftp.command("RNFR " + fileName)), 350);
    EXPECT_EQ(FtpTestClient::codeOf(ftp.command("RNTO " + id + ext)), 250);
    ftp.command("QUIT");
    return id;
}

Answer StandinTest::listFolder(const Credentials& who, const std::string& dir,
                               const std::string& order, const std::string& desc) {
    return signedCall("/UserService.asmx/GetFiles", who,
                      {{"dir", dir}, {"order", order}, {"desc", desc}});
}

std::vector<std::string> StandinTest::fileNames(const Answer& answer) {
    std::vector<std::string> names;
    for (const auto* file : answer.items("files"))
        names.push_back(attrOf(file, "name") + attrOf(file, "ext"));
    return names;
}

std::vector<std::string> StandinTest::folderNames(const Answer& answer) {
    std::vector<std::string> names;
    for (const auto* folder : answer.items("folders"))
        names.push_back(attrOf(folder, "name"));
    return names;
}

}  // namespace nubexa::test
