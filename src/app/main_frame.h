#pragma once

#include <QLabel>
#include <QPointer>
#include <QString>
#include <QTimer>

#include "app/contrast.h"
#include "app/frameless_window.h"
#include "app/toolbar.h"
#include "service/account_info.h"
#include "transfer/transfer_view.h"

namespace nubexa::app {

class ImageButton;
class UserPanel;

// The main window's frame (890 x 600 at first and at least; it grows by its corner grip or the
// maximise button): title-bar buttons, logo, toolbar, the page area with the user panel at its
// top left, and the transfer status text at the bottom.
//
// The page area is where the disk browser lives: it hands its widget to setPageArea(), which
// puts it over the whole page area (its list area is listArea()) under the user panel, so its
// own widgets should leave the user panel's corner free and its background transparent. The
// frame is also the TransferView of the queue and the monitor: the status text is its own,
// page switches and page refreshes go to the page view given with setPageArea().
class MainFrame : public FramelessWindow, public TransferView {
    Q_OBJECT
public:
    static constexpr const char* kTitle = QT_TR_NOOP("Nubexa网盘 PC版");
    static constexpr const char* kFirstStatus = QT_TR_NOOP("上传：0 KB/S 下载：0 KB/S");

    MainFrame(PictureCache& pictures, const AccountInfo& account, const std::string& programFolder,
              QWidget* parent = nullptr);

    // The area below the toolbar: (1, 99) to one pixel inside the right edge and 26 pixels
    // above the bottom.
    QWidget* pageArea() const { return m_pageArea; }
    // Takes `pages` (owned by the page area from then on) and the view that switches and
    // refreshes its pages; `view` may be null and must outlive the frame.
    void setPageArea(QWidget* pages, TransferView* view);
    QWidget* pages() const { return m_pages; }
    // The disk page's list area inside the page area.
    QRect listArea() const;

    UserPanel* userPanel() const { return m_userPanel; }
    Toolbar& toolbar() const { return *m_toolbar; }
    QString statusText() const { return m_status->text(); }
    // The status text's colours, chosen for the skin behind it.
    const TextOver& statusColours() const { return m_statusColours; }
    // Where the notice link goes (its width comes from its text); owned by the frame.
    void setNoticeLink(QWidget* link);

    ImageButton* closeButton() const { return m_close; }
    ImageButton* menuButton() const { return m_menu; }

    // TransferView
    void showStatusText(const std::string& text) override;
    // The speeds in the interface's language.
    void showSpeeds(const SpeedStatus& speeds) override;
    void showUploadingPage() override;
    void showDownloadingPage() override;
    void refreshShownPage() override;

signals:
    void closeClicked();
    void skinClicked();
    // The title-bar menu, to pop up at `globalPos` under the menu button.
    void menuRequested(const QPoint& globalPos);
    // A page of the web site (a user panel link).
    void webPageRequested(const QString& path);
    // The user has given the window a new normal size (after a pause in resizing).
    void sizeChosen(const QSize& size);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void backgroundChanged() override;

private:
    void showStatus(const QString& text);
    ImageButton* addSystemButton(const QString& name, const pictures::Picture& sheet);
    void orderFocus();
    void layOut();

    QWidget* m_pageArea;
    QPointer<QWidget> m_pages;
    TransferView* m_pageView = nullptr;
    UserPanel* m_userPanel;
    Toolbar* m_toolbar;
    QLabel* m_status = nullptr;
    TextOver m_statusColours;
    QPointer<QWidget> m_noticeLink;
    ImageButton* m_close;
    ImageButton* m_maximise;
    ImageButton* m_minimise;
    ImageButton* m_menu;
    ImageButton* m_skin;
    QWidget* m_sizeGrip;
    QTimer* m_sizeSettled;
};

}  // namespace nubexa::app
