#pragma once

#include <QtGlobal>

#include <cstddef>
#include <string>
#include <vector>

#include "service/disk_entries.h"

namespace nubexa::app {

// Which notice the link at the bottom left shows: the titles of Announcement one after another,
// each for two ticks of the main window's timer, standing still while the link has the keyboard
// focus. Works for any number of notices; the index never leaves the list. GUI thread only.
class NoticeRotation {
public:
    static constexpr const char* kFallbackTitle =
        QT_TRANSLATE_NOOP("nubexa::app::NoticeRotation", "Nubexa客户端隆重上线.");

    // New notices: the first one shows, for two ticks.
    void reset(Announcements notices);

    // The title shown: the current notice's, or the fixed text when there are none.
    std::string title() const;
    // The address of the notice shown when it is a web address (http or https); empty when
    // there is no notice or its address is anything else.
    std::string address() const;
    std::size_t index() const { return m_index; }
    std::size_t count() const { return m_notices.announcement_titles.size(); }

    // One tick of the timer; true when the link is to show another title.
    bool tick(bool linkHasFocus);

private:
    Announcements m_notices;
    std::size_t m_index = 0;
    bool m_secondTick = false;
};

}  // namespace nubexa::app
