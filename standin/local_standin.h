#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "standin/standin_service.h"

namespace nubexa::standin {

// The options of the stand-in as the GUI tests, the transfer tests and the benchmarks start it
// in their own process: the demo data in `dataFolder`, on loopback, on the given ports (0: free
// ones; a restart passes the ports it had), its log to `log` (empty: nowhere).
inline ServiceOptions localStandinOptions(const std::string& dataFolder, ServiceLog::Sink log,
                                          int httpPort = 0, int ftpPort = 0) {
    ServiceOptions options;
    options.dataFolder = dataFolder;
    options.httpHost = "127.0.0.1";
    options.httpPort = httpPort;
    options.ftp.port = ftpPort;
    options.seedDemo = true;
    options.logSink = log ? std::move(log) : [](const std::string&) {};
    return options;
}

// The stand-in started with `options`; null, with the reason in `error`, when it did not start.
inline std::unique_ptr<StandinService> startStandin(ServiceOptions options, std::string& error) {
    auto service = std::make_unique<StandinService>(std::move(options));
    if (const auto started = service->start(); !started.ok) {
        error = started.message;
        return nullptr;
    }
    return service;
}

// The stand-in of localStandinOptions, started; `failOperation` as ServiceOptions says.
inline std::unique_ptr<StandinService> startLocalStandin(
    const std::string& dataFolder, ServiceLog::Sink log, std::string& error, int httpPort = 0,
    int ftpPort = 0, std::function<bool(const std::string&)> failOperation = {}) {
    auto options = localStandinOptions(dataFolder, std::move(log), httpPort, ftpPort);
    options.failOperation = std::move(failOperation);
    return startStandin(std::move(options), error);
}

}  // namespace nubexa::standin
