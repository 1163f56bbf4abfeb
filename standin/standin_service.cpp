#include "standin/standin_service.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "standin/demo/demo_seed.h"
#include "standin/ftp/ftp_server.h"
#include "standin/ftp/socket_tls.h"
#include "standin/service_context.h"
#include "standin/service_log.h"
#include "standin/store/content_area.h"
#include "standin/store/data_schema.h"
#include "standin/store/sql_database.h"
#include "standin/util/crypto_util.h"
#include "standin/util/periodic_task.h"
#include "standin/util/private_files.h"
#include "standin/web/http_frontend.h"

namespace nubexa::standin {

namespace {

bool isWildcard(const std::string& host) {
    return host.empty() || host == "0.0.0.0" || host == "::" || host == "*";
}

std::string hostForUrl(const std::string& host) {
    return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

}  // namespace

// Declared in the order they are built; destroyed in reverse.
struct ServiceParts {
    int lockFd = -1;
    std::unique_ptr<ServiceLog> log;
    std::unique_ptr<ContentArea> content;
    std::unique_ptr<PeriodicTask> stagingPruner;
    std::unique_ptr<SqlDatabase> database;
    GuessThrottle signIns;
    GuessThrottle shareGuesses;
    std::unique_ptr<ServiceContext> context;
    std::unique_ptr<FtpServer> ftp;
    std::unique_ptr<HttpFrontend> http;
    std::string httpHost;
    std::string ftpHost;

    ~ServiceParts() {
        if (http)
            http->stop();
        if (ftp)
            ftp->stop();
        http.reset();
        ftp.reset();
        stagingPruner.reset();
        context.reset();
        database.reset();
        if (lockFd >= 0)
            ::close(lockFd);
    }
};

StandinService::StandinService(ServiceOptions options) : m_options(std::move(options)) {}

StandinService::~StandinService() {
    stop();
}

Outcome StandinService::prepareDataFolder() {
    std::string& folder = m_options.dataFolder;
    if (folder.empty())
        return Outcome::failure("no data folder given");
    if (folder.back() != '/')
        folder.push_back('/');
    if (auto made = makePrivateFolders(folder); !made)
        return Outcome::failure("the data folder " + folder + " cannot be created: " +
                                made.message.substr(made.message.rfind(": ") + 2));
    const std::string probe = folder + ".write-probe-" + std::to_string(::getpid());
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return Outcome::failure("the data folder " + folder +
                                " is not writable: " + std::strerror(errno));
    ::close(fd);
    ::unlink(probe.c_str());
    m_parts->lockFd = ::open((folder + "service.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_parts->lockFd < 0 || ::flock(m_parts->lockFd, LOCK_EX | LOCK_NB) != 0)
        return Outcome::failure("the data folder " + folder +
                                " is in use by another nubexa-service");
    tightenDataFolder();
    return Outcome::success();
}

namespace {

// What the service keeps in its data folder.
constexpr const char* kDataEntries[] = {"nubexa.db",     "nubexa.db-wal",
                                        "nubexa.db-shm", "nubexa.db-journal",
                                        "service.lock",  "content",
                                        "staging",       "avatars",
                                        "outbox",        "tls"};

// Whether the folder holds nothing but what the service keeps there: a folder of its own, not
// one the user shares with other things (a home folder named by --data, say).
bool onlyServiceEntries(const std::string& folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        const bool ours = name.rfind(".write-probe-", 0) == 0 ||
                          std::any_of(std::begin(kDataEntries), std::end(kDataEntries),
                                      [&](const char* known) { return name == known; });
        if (!ours)
            return false;
    }
    return !error;
}

}  // namespace

void StandinService::tightenDataFolder() {
    // Folders and files of earlier versions could be read by every local user.
    const std::string& folder = m_options.dataFolder;
    std::string problem;
    int changed = 0;
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0 && (info.st_mode & 077) != 0 &&
        onlyServiceEntries(folder)) {
        if (::chmod(folder.c_str(), info.st_mode & 0700) == 0)
            ++changed;
        else
            problem = "cannot restrict " + folder + ": " + std::strerror(errno);
    }
    for (const char* entry : kDataEntries)
        changed += tightenTree(folder + entry, problem);
    if (changed > 0)
        m_parts->log->line("data folder: " + std::to_string(changed) +
                           " files and folders other users could read are now the owner's only");
    if (!problem.empty())
        m_parts->log->line("data folder: " + problem);
}

Outcome StandinService::prepareTls() {
    std::string error;
    if (m_options.tlsSelfSigned &&
        !ensureSelfSigned(m_options.dataFolder, m_options.publicHost, m_options.tls, error)) {
        return Outcome::failure("cannot make the TLS certificates: " + error);
    }
    if (m_options.tls.certificate.empty() != m_options.tls.key.empty())
        return Outcome::failure("TLS needs both a certificate and its key");
    if (m_options.tls.certificate.empty())
        return Outcome::success();
    m_options.ftp.tls = TlsServerContext::load(m_options.tls.certificate, m_options.tls.key, error);
    if (!m_options.ftp.tls)
        return Outcome::failure(error);
    return Outcome::success();
}

Outcome StandinService::start() {
    if (m_parts)
        return Outcome::failure("already started");
    // Peers that vanish make writes fail with EPIPE instead of ending the process.
    std::signal(SIGPIPE, SIG_IGN);
    m_parts = std::make_unique<ServiceParts>();
    auto fail = [this](const std::string& message) {
        m_parts.reset();
        return Outcome::failure(message);
    };
    m_parts->log = std::make_unique<ServiceLog>(m_options.logSink);
    if (auto prepared = prepareDataFolder(); !prepared)
        return fail(prepared.message);
    if (auto prepared = prepareTls(); !prepared)
        return fail(prepared.message);
    ServiceParts& parts = *m_parts;
    parts.content = std::make_unique<ContentArea>(m_options.dataFolder, m_options.minFreeDisk);
    if (auto prepared = parts.content->prepare(); !prepared)
        return fail(prepared.message);
    parts.content->pruneStaging(m_options.stagingMaxAge);
    parts.stagingPruner = std::make_unique<PeriodicTask>(
        m_options.stagingPruneInterval,
        [&content = *parts.content, &log = *parts.log, maxAge = m_options.stagingMaxAge] {
            if (const int removed = content.pruneStaging(maxAge); removed > 0)
                log.line("staging: removed " + std::to_string(removed) + " abandoned uploads");
        });
    std::string error;
    parts.database =
        SqlDatabase::open(m_options.dataFolder + "nubexa.db", error, m_options.requestTimeLimit);
    if (!parts.database)
        return fail("cannot open " + m_options.dataFolder + "nubexa.db: " + error);
    try {
        if (auto created = createSchema(*parts.database); !created)
            return fail(created.message);
        if (m_options.seedDemo) {
            if (auto seeded = seedDemo(*parts.database, *parts.content); !seeded)
                return fail(seeded.message);
        }
    } catch (const std::exception& problem) {
        return fail("cannot prepare " + m_options.dataFolder + "nubexa.db: " + problem.what());
    }

    parts.context = std::make_unique<ServiceContext>(ServiceContext{*parts.database,
                                                                    *parts.content,
                                                                    *parts.log,
                                                                    parts.signIns,
                                                                    parts.shareGuesses,
                                                                    randomHex(32),
                                                                    {},
                                                                    {},
                                                                    0});
    parts.http = std::make_unique<HttpFrontend>(
        *parts.context, m_options.tls, m_options.requestTimeLimit, m_options.failOperation);
    parts.ftp = std::make_unique<FtpServer>(*parts.context, m_options.ftp);
    if (auto bound = parts.http->bind(m_options.httpHost, m_options.httpPort); !bound)
        return fail("cannot listen for HTTP on " + m_options.httpHost + ":" +
                    std::to_string(m_options.httpPort) + ": " + bound.message);
    if (auto bound = parts.ftp->bind(); !bound)
        return fail("cannot listen for FTP on " + m_options.ftp.host + ":" +
                    std::to_string(m_options.ftp.port) + ": " + bound.message);

    const bool named = !m_options.publicHost.empty();
    parts.httpHost = named ? m_options.publicHost
                           : (isWildcard(m_options.httpHost) ? "127.0.0.1" : m_options.httpHost);
    parts.ftpHost = named ? m_options.publicHost
                          : (isWildcard(m_options.ftp.host) ? "127.0.0.1" : m_options.ftp.host);
    parts.context->publicBase = (parts.http->secure() ? "https://" : "http://") +
                                hostForUrl(parts.httpHost) + ":" +
                                std::to_string(parts.http->port());
    parts.context->ftpHost = parts.ftpHost;
    parts.context->ftpPort = parts.ftp->port();

    parts.ftp->start();
    if (auto started = parts.http->start(); !started)
        return fail(started.message);
    return Outcome::success();
}

void StandinService::stop() {
    m_parts.reset();
}

int StandinService::httpPort() const {
    return m_parts && m_parts->http ? m_parts->http->port() : 0;
}

int StandinService::ftpPort() const {
    return m_parts && m_parts->ftp ? m_parts->ftp->port() : 0;
}

std::string StandinService::listeningLine() const {
    if (!m_parts || !m_parts->http)
        return {};
    // Where the servers listen, for the scripts that connect to them; the public host only
    // goes into what the service hands out.
    return "nubexa-service listening http=" + hostForUrl(m_options.httpHost) + ":" +
           std::to_string(httpPort()) + " ftp=" + hostForUrl(m_options.ftp.host) + ":" +
           std::to_string(ftpPort()) + " data=" + m_options.dataFolder;
}

}  // namespace nubexa::standin
