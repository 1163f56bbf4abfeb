#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "app/notice_rotation.h"

namespace nubexa {
class Autostart;
struct SystemSettings;
}  // namespace nubexa

namespace nubexa::app {

class CMainWnd;
class CSkinDlg;
class CSystemSetDlg;
class DrawResultDlg;
class MainFrame;
class NoticeLink;

// The small features of the main window, wired to the client's seams: the settings dialog, the
// skin chooser, the capacity draw and the rotating notice link. One per client, owned by it.
// GUI thread only; the draw and the notices' request run off it.
class MainWindowExtras : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kRecommendPage = "/account/recommend.aspx";

    // Makes the extras of `client` (a child of it) and connects them.
    static MainWindowExtras* installInto(CMainWnd& client);
    ~MainWindowExtras() override;

    // The draw's r (0 to 32767); a uniform random number unless a test sets it.
    void setDrawRandom(std::function<int()> random) { m_random = std::move(random); }
    // Where log-on starting is set up; the session's own unless a test sets one.
    void setAutostart(std::unique_ptr<Autostart> autostart);

    // What is open now (null when nothing is).
    CSystemSetDlg* settingsDialog() const;
    CSkinDlg* skinDialog() const;
    DrawResultDlg* drawResult() const;
    NoticeLink* noticeLink() const;
    const NoticeRotation& notices() const { return m_notices; }
    int currentSkin() const { return m_currentSkin; }
    bool drawRunning() const { return m_drawRunning; }

    // Starts showing `notices` as if Announcement had just answered with them.
    void showNotices(Announcements notices);

private:
    explicit MainWindowExtras(CMainWnd& client);

    void mainWindowBuilt(MainFrame* frame);
    void openSettings();
    void showSettings(QWidget* owner, const std::string& uid, const SystemSettings& stored);
    void openSkins();
    void draw();
    void showDrawResult(bool won, const std::string& message);
    void rotateNotice();
    void openNotice();

    CMainWnd& m_client;
    std::unique_ptr<Autostart> m_autostart;
    std::function<int()> m_random;
    QPointer<CSystemSetDlg> m_settings;
    QPointer<CSkinDlg> m_skin;
    QPointer<DrawResultDlg> m_drawResult;
    QPointer<NoticeLink> m_link;
    NoticeRotation m_notices;
    int m_currentSkin = 0;
    bool m_drawRunning = false;
    bool m_settingsLoading = false;
};

}  // namespace nubexa::app
