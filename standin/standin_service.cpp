#include "standin/standin_service.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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
#include "standin/web/http_frontend.h"

namespace nubexa::standin {

namespace fs = std::filesystem;

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
    SignInThrottle signIns;
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
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        return Outcome::failure("the data folder " + folder +
                                " cannot be created: " + error.message());
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
    return Outcome::success();
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
    if (auto prepared = prepareDataFolder(); !prepared)
        return fail(prepared.message);
    if (auto prepared = prepareTls(); !prepared)
        return fail(prepared.message);
    ServiceParts& parts = *m_parts;
    parts.log = std::make_unique<ServiceLog>(m_options.logSink);
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
    parts.database = SqlDatabase::open(m_options.dataFolder + "nubexa.db", error);
    if (!parts.database)
        return fail("cannot open " + m_options.dataFolder + "nubexa.db: " + error);
    if (auto created = createSchema(*parts.database); !created)
        return fail(created.message);
    if (m_options.seedDemo) {
        if (auto seeded = seedDemo(*parts.database, *parts.content); !seeded)
            return fail(seeded.message);
    }

    parts.context = std::make_unique<ServiceContext>(ServiceContext{
        *parts.database, *parts.content, *parts.log, parts.signIns, randomHex(32), {}, {}, 0});
    parts.http = std::make_unique<HttpFrontend>(*parts.context, m_options.tls);
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
