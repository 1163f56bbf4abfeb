#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace nubexa {

// Opens a web page in the user's browser. The GUI hands the address to the desktop; tests
// record it or hand it to a browser they drive. The result is not looked at: a page that
// cannot be opened changes nothing in the client.
class Browser {
public:
    virtual ~Browser() = default;

    virtual void openUrl(const std::string& url) = 0;
};

// Keeps every address, for tests.
class RecordingBrowser : public Browser {
public:
    void openUrl(const std::string& url) override {
        std::lock_guard lock(m_mutex);
        m_urls.push_back(url);
    }
    std::vector<std::string> urls() const {
        std::lock_guard lock(m_mutex);
        return m_urls;
    }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_urls.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_urls;
};

}  // namespace nubexa
