// nubexa-service: the local stand-in for the Nubexa web API, web pages and file server.
#include <pthread.h>
#include <signal.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>

#include "platform/paths.h"
#include "standin/service_options.h"
#include "standin/standin_service.h"

int main(int argc, char** argv) {
    using namespace nubexa::standin;
    ServiceOptions options;
    options.dataFolder = nubexa::programFolder() + "nubexa-data";
    std::string http = "127.0.0.1:18080";
    std::string ftp = "127.0.0.1:18021";
    std::string passive;

    CLI::App app{"Local stand-in for the Nubexa web API, web pages and FTP file server."};
    app.add_option("--data", options.dataFolder, "Data folder (database and file contents)")
        ->capture_default_str();
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
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    std::cerr << "nubexa-service: stopping (" << (received == SIGINT ? "SIGINT" : "SIGTERM")
              << ")\n";
    service.stop();
    return 0;
}
