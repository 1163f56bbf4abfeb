#pragma once

#include <memory>
#include <string>

#include "app/client_environment.h"
#include "platform/browser.h"
#include "platform/notifier.h"
#include "standin/standin_service.h"

namespace nubexa::app {
class CMainWnd;
}

namespace nubexa::bench {

// What a benchmark of the desktop client stands on: a work folder with the release build's
// pictures (run from the release build folder), the stand-in with its demo data on free
// loopback ports, and a client environment pointed at it that records messages and opened
// pages and offers no tray. The folder is removed at the end.
class BenchWorld {
public:
    explicit BenchWorld(const std::string& name);
    ~BenchWorld();

    // False when the stand-in did not start (said on standard error).
    bool started() const { return m_started; }
    const std::string& work() const { return m_work; }
    standin::StandinService& service() { return *m_service; }
    app::ClientEnvironment environment();
    // A folder `name` of `files` finished ".jpg" files in the demo user's top folder, written
    // straight into the stand-in's database (registering them one by one through the service
    // would take most of a benchmark's time). With `content` every file has those bytes on the
    // file server (hard links to one file); without, none has any.
    bool seedFolder(const std::string& name, int files, const std::string& content = {});

    // A client of `environment` with the disk page, signed in as the demo user; null when
    // the main window did not open (said on standard error).
    static std::unique_ptr<app::CMainWnd> signedInClient(const app::ClientEnvironment& environment);

private:
    std::string m_work;
    std::unique_ptr<standin::StandinService> m_service;
    RecordingNotifier m_notifier;
    RecordingBrowser m_browser;
    bool m_started = false;
};

}  // namespace nubexa::bench
