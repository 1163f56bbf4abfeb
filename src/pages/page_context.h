#pragma once

namespace nubexa {
class Browser;
class ClientSession;
class Notifier;
class Picker;
}  // namespace nubexa

namespace nubexa::app {
class PictureCache;
class RequestRunner;
}  // namespace nubexa::app

namespace nubexa::pages {

// What a page works with, as the client hands it over: the session (the core's face), where
// messages, choosers and web pages go, the pictures, and the runner that takes blocking calls
// off the GUI thread. Everything outlives the page.
struct PageContext {
    ClientSession& session;
    Notifier& notifier;
    Picker& picker;
    Browser& browser;
    app::PictureCache& pictures;
    app::RequestRunner& requests;
};

}  // namespace nubexa::pages
