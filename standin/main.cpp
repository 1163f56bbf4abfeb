// nubexa-service: the local stand-in for the Nubexa web API, web pages and file server.
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <thread>

#include "platform/paths.h"
#include "platform/version.h"
#include "standin/service_options.h"
#include "standin/standin_service.h"

namespace {

constexpr const char* kFooter = R"(Examples:
  nubexa-service --seed-demo    the demo accounts on the client's default ports
  nubexa-service --data /srv/nubexa --http 127.0.0.1:0 --ftp 127.0.0.1:0
                                any free ports; the first output line names them:
                                nubexa-service listening http=HOST:PORT ftp=HOST:PORT data=DIR

Files:
  The data folder holds nubexa.db (accounts, folders, items, shares) and content/ (the files).
  Default: nubexa-data in $NUBEXA_HOME, else beside the program when it runs from a build or
  portable folder, else in $XDG_DATA_HOME/nubexa (~/.local/share/nubexa).)";

// How long stopping may take before the service exits without finishing it.
constexpr int kStopLimitSeconds = 30;

}  // namespace

int main(int argc, char** argv) {
    using namespace nubexa::standin;
    // The data folder holds passwords, session tokens, reset links and uploads: whatever the
    // service creates is its owner's alone (the files are also made so explicitly).
    ::umask(077);
    ServiceOptions options;
    options.dataFolder = nubexa::homeFolder() + "nubexa-data";
    std::string http = "127.0.0.1:18080";
    std::string ftp = "127.0.0.1:18021";
    std::string passive;

    CLI::App app{
        "nubexa-service: local stand-in for the Nubexa web API, web pages and FTP file "
        "server, so that the client runs against it on one machine. SIGINT or SIGTERM stops "
        "it; its data stays in the data folder. Exit status: 0 stopped by a signal, 2 bad "
        "options or the service could not start.",
        "nubexa-service"};
    app.set_version_flag("--version", std::string("nubexa-service ") + nubexa::kVersion,
                         "Print the version and exit");
    app.footer(kFooter);
    // Its default depends on where the program runs: said in the Files section, not shown here.
    app.add_option("--data", options.dataFolder,
                   "Data folder: database and file contents (default: see Files below)");
    app.add_option("--http", http, "Web API and pages, HOST:PORT (port 0: any free port)")
        ->capture_default_str();
    app.add_option("--ftp", ftp, "File server, HOST:PORT (port 0: any free port)")
        ->capture_default_str();
    app.add_option("--ftp-passive-ports", passive,
                   "Passive data ports LOW-HIGH (default: any free port)");
    app.add_flag("--seed-demo", options.seedDemo,
                 "Create the demo accounts demo/demo123 and guest/guest123 with sample data");
    app.add_option("--public-host", options.publicHost,
                   "Host name put into the addresses the service hands out");
    auto* tlsCert = app.add_option("--tls-cert", options.tls.certificate,
                                   "Serve HTTPS and offer FTP over TLS with this certificate "
                                   "(PEM, chain included)");
    auto* tlsKey = app.add_option("--tls-key", options.tls.key, "The certificate's key (PEM)");
    tlsCert->needs(tlsKey);
    tlsKey->needs(tlsCert);
    app.add_flag("--tls-self-signed", options.tlsSelfSigned,
                 "Serve TLS with a local authority and host certificate made under the data "
                 "folder (tls/) at the first start; prints the authority's file")
        ->excludes(tlsCert)
        ->excludes(tlsKey);
    CLI11_PARSE(app, argc, argv);

    std::string error;
    if (!parseEndpoint(http, options.httpHost, options.httpPort, error) ||
        !parseEndpoint(ftp, options.ftp.host, options.ftp.port, error) ||
        (!passive.empty() &&
         !parsePortRange(passive, options.ftp.passiveLow, options.ftp.passiveHigh, error))) {
        std::cerr << "nubexa-service: " << error << "\n";
        return 2;
    }

    // Every thread inherits the blocked signals; main waits for them below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    StandinService service(options);
    if (auto started = service.start(); !started) {
        std::cerr << "nubexa-service: " << started.message << "\n";
        return 2;
    }
    std::printf("%s\n", service.listeningLine().c_str());
    if (!service.tlsAuthority().empty())
        std::printf("nubexa-service TLS authority: %s\n", service.tlsAuthority().c_str());
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    std::cerr << "nubexa-service: stopping (" << (received == SIGINT ? "SIGINT" : "SIGTERM")
              << ")\n";
    // Every request and session ends within its time limits, so stopping is quick; should
    // something hang all the same, a second signal or the stop limit ends the process.
    static std::atomic<bool> stopped{false};
    std::thread([stopSignals] {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(kStopLimitSeconds);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
                deadline - std::chrono::steady_clock::now());
            const timespec limit{
                static_cast<time_t>(std::max<std::int64_t>(0, left.count()) / 1000000000),
                static_cast<long>(std::max<std::int64_t>(0, left.count()) % 1000000000)};
            const int again = sigtimedwait(&stopSignals, nullptr, &limit);
            // Interrupted while the process ends normally (tools that inspect it at exit
            // signal its threads): nothing to do.
            if (stopped)
                return;
            if (again < 0 && errno == EINTR && std::chrono::steady_clock::now() < deadline)
                continue;
            std::fprintf(stderr, "nubexa-service: %s; exiting without waiting\n",
                         again > 0 ? "stopped again" : "did not stop in time");
            std::_Exit(1);
        }
    }).detach();
    service.stop();
    stopped = true;
    return 0;
}
