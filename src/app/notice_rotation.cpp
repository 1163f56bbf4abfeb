#include "app/notice_rotation.h"

#include <algorithm>
#include <cctype>

namespace nubexa::app {

namespace {

bool startsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

}  // namespace

void NoticeRotation::reset(Announcements notices) {
    m_notices = std::move(notices);
    m_index = 0;
    m_secondTick = false;
}

std::string NoticeRotation::title() const {
    const auto& titles = m_notices.announcement_titles;
    return m_index < titles.size()
               ? titles[m_index]
               : QCoreApplication::translate("nubexa::app::NoticeRotation", kFallbackTitle)
                     .toStdString();
}

std::string NoticeRotation::address() const {
    const auto& urls = m_notices.announcement_urls;
    if (m_index >= count() || m_index >= urls.size())
        return {};
    // The address comes from the service and goes to the desktop's opener: only web pages,
    // never a local file or a scheme that runs something.
    const std::string& url = urls[m_index];
    if (url.find_first_of(" \t\r\n") != std::string::npos)
        return {};
    return startsWithNoCase(url, "http://") || startsWithNoCase(url, "https://") ? url
                                                                                 : std::string();
}

bool NoticeRotation::tick(bool linkHasFocus) {
    if (linkHasFocus)
        return false;
    bool moved = false;
    if (m_secondTick && count() > 0) {
        const std::size_t next = (m_index + 1) % count();
        moved = next != m_index;
        m_index = next;
    }
    m_secondTick = !m_secondTick;
    return moved;
}

}  // namespace nubexa::app
