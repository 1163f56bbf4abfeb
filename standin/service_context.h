#pragma once

#include <string>

#include "standin/service_log.h"
#include "standin/store/content_area.h"
#include "standin/store/sql_database.h"
#include "standin/util/guess_throttle.h"

namespace nubexa::standin {

// What every part of the running service shares. Filled once the ports are bound, before any
// request is served; read-only afterwards.
struct ServiceContext {
    SqlDatabase& database;
    ContentArea& content;
    ServiceLog& log;
    GuessThrottle& signIns;       // wrong passwords of the web API and the site's forms
    GuessThrottle& shareGuesses;  // wrong extraction codes and passwords on share pages
    std::string formSecret;       // signs the site's form tokens; new on every start
    std::string publicBase;       // "http://host:port" of the web API and pages
    std::string ftpHost;          // handed to clients in the sign-in answer
    int ftpPort = 0;

    // A path of this service ("/help/") as an absolute address; other texts stay as they are.
    std::string absolute(const std::string& pathOrUrl) const {
        return !pathOrUrl.empty() && pathOrUrl.front() == '/' ? publicBase + pathOrUrl : pathOrUrl;
    }
};

}  // namespace nubexa::standin
