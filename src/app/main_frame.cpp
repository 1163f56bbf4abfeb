#include "app/main_frame.h"

#include <algorithm>
#include <vector>

#include <QAbstractItemView>
#include <QLabel>
#include <QPainter>
#include <QResizeEvent>
#include <QSizeGrip>

#include "app/colour_scheme.h"
#include "app/image_button.h"
#include "app/main_frame_rects.h"
#include "app/picture_cache.h"
#include "app/user_panel.h"

namespace nubexa::app {

namespace rects = main_frame_rects;

namespace {

// The page panel's picture stretched over the page area. Painted, not a style sheet: a sheet
// here would hand every page and list below it to the style sheet engine, which keeps their
// palettes from following the scheme and slows the lists' painting.
class PicturePanel : public QWidget {
public:
    PicturePanel(PictureCache& cache, QString picture, QWidget* parent)
        : QWidget(parent), m_cache(cache), m_picture(std::move(picture)) {
        followColourScheme(this, [this](const SchemeColours&) { update(); });
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        const QPixmap picture = m_cache.picture(m_picture);
        QPainter painter(this);
        m_backdrop.draw(painter, *this, *event, {picture.cacheKey()},
                        [&](QPainter& offscreen, const QRect& area) {
                            offscreen.setRenderHint(QPainter::SmoothPixmapTransform);
                            offscreen.drawPixmap(area, picture);
                        });
    }

private:
    PictureCache& m_cache;
    PaintedBackdrop m_backdrop;
    QString m_picture;
};

}  // namespace

MainFrame::MainFrame(PictureCache& cache, const AccountInfo& account,
                     const std::string& programFolder, QWidget* parent)
    : FramelessWindow(cache, parent) {
    setWindowTitle(tr(kTitle));
    setAccessibleName(tr(kTitle));
    resize(rects::kWindow);
    setMinimumSize(rects::kWindow);
    // The picture of the chosen skin, below the image folder.
    QString background = QString::fromStdString(account.frame_image);
    if (background.startsWith(QStringLiteral("image/")))
        background.remove(0, 6);
    setBackground(background.isEmpty() ? QString::fromLatin1(pictures::kSignedInBackground->path)
                                       : background);
    setFrame(pictures::kFrame, pictures::kFrameMargins);

    m_pageArea = new PicturePanel(cache, QString::fromLatin1(pictures::kPagePanel.path), this);
    m_pageArea->setAccessibleName(tr("页面区域"));
    m_userPanel = new UserPanel(cache, account, programFolder, m_pageArea);
    connect(m_userPanel, &UserPanel::webPageRequested, this, &MainFrame::webPageRequested);

    auto* logo = new QLabel(this);
    logo->setGeometry(rects::kLogo);
    logo->setPixmap(cache.picture(QString::fromLatin1(pictures::kLogo.path)));
    logo->setScaledContents(true);
    logo->setAttribute(Qt::WA_TransparentForMouseEvents);
    logo->setAccessibleName(tr("Nubexa网盘"));

    m_toolbar = new Toolbar(cache, this);

    m_status = new QLabel(tr(kFirstStatus), this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setGeometry(rects::status(size()));
    m_status->setAccessibleName(tr("传输速度"));

    m_close = addSystemButton(tr("关闭"), pictures::kSysClose);
    m_maximise = addSystemButton(tr("最大化"), pictures::kSysMax);
    m_minimise = addSystemButton(tr("最小化"), pictures::kSysMin);
    m_menu = addSystemButton(tr("菜单"), pictures::kTitleBarMenu);
    m_skin = addSystemButton(tr("换肤"), pictures::kSkinButton);
    connect(m_close, &QAbstractButton::clicked, this, &MainFrame::closeClicked);
    connect(m_maximise, &QAbstractButton::clicked, this, [this] {
        if (isMaximized()) {
            showNormal();
        } else {
            showMaximized();
        }
    });
    connect(m_minimise, &QAbstractButton::clicked, this, &QWidget::showMinimized);
    connect(m_skin, &QAbstractButton::clicked, this, &MainFrame::skinClicked);
    connect(m_menu, &QAbstractButton::clicked, this,
            [this] { emit menuRequested(m_menu->mapToGlobal(QPoint(0, m_menu->height()))); });
    // A frameless window has no border to drag: the corner grip resizes it.
    m_sizeGrip = new QSizeGrip(this);
    m_sizeGrip->setAccessibleName(tr("调整窗口大小"));
    m_sizeSettled = new QTimer(this);
    m_sizeSettled->setSingleShot(true);
    m_sizeSettled->setInterval(500);
    connect(m_sizeSettled, &QTimer::timeout, this, [this] {
        backgroundChanged();  // the status text now sits over another part of the skin
        if (isVisible() && !isMaximized() && !isMinimized() && !isFullScreen())
            emit sizeChosen(size());
    });
    layOut();
    backgroundChanged();
}

void MainFrame::backgroundChanged() {
    if (!m_status)
        return;
    // White text was unreadable on light skins: the colours follow the picture under the text.
    m_status->hide();
    const QImage behind = grab(rects::status(size()).intersected(rect())).toImage();
    m_status->show();
    m_statusColours = textOver(behind);
    const QColor& backing = m_statusColours.backing;
    m_status->setStyleSheet(QStringLiteral("color: %1; background: rgba(%2, %3, %4, %5);")
                                .arg(m_statusColours.text.name())
                                .arg(backing.red())
                                .arg(backing.green())
                                .arg(backing.blue())
                                .arg(backing.alpha()));
}

ImageButton* MainFrame::addSystemButton(const QString& name, const pictures::Picture& sheet) {
    auto* button = new ImageButton(pictureCache(), name, this);
    button->setSheet(sheet);
    button->move(10, 0);
    return button;
}

void MainFrame::setPageArea(QWidget* pages, TransferView* view) {
    if (m_pages)
        m_pages->deleteLater();
    m_pages = pages;
    m_pageView = view;
    if (pages) {
        pages->setParent(m_pageArea);
        pages->setGeometry(m_pageArea->rect());
        pages->show();
        m_userPanel->raise();
        orderFocus();
    }
}

void MainFrame::orderFocus() {
    if (!m_pages)
        return;
    // Tab reads the window as a person works in it: the pages (navigation, the page's own
    // controls, its list), then the account's links, the toolbar, the title bar's buttons left
    // to right, and the notice at the bottom; the list has the focus first.
    std::vector<QWidget*> pages, account, toolbar, titleBar, bottom;
    for (QWidget* widget = nextInFocusChain(); widget && widget != this;
         widget = widget->nextInFocusChain()) {
        if (!(widget->focusPolicy() & Qt::TabFocus))
            continue;
        if (m_pages->isAncestorOf(widget))
            pages.push_back(widget);
        else if (m_userPanel->isAncestorOf(widget))
            account.push_back(widget);
        else if (m_noticeLink && (widget == m_noticeLink || m_noticeLink->isAncestorOf(widget)))
            bottom.push_back(widget);
        else if (widget == m_close || widget == m_maximise || widget == m_minimise ||
                 widget == m_menu || widget == m_skin)
            titleBar.push_back(widget);
        else
            toolbar.push_back(widget);
    }
    std::sort(titleBar.begin(), titleBar.end(),
              [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
    std::vector<QWidget*> chain = pages;
    for (const auto* group : {&account, &toolbar, &titleBar, &bottom})
        chain.insert(chain.end(), group->begin(), group->end());
    for (std::size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    for (QWidget* widget : pages) {
        if (qobject_cast<QAbstractItemView*>(widget)) {
            widget->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
}

QRect MainFrame::listArea() const {
    return rects::listArea(m_pageArea->size());
}

void MainFrame::setNoticeLink(QWidget* link) {
    if (m_noticeLink)
        m_noticeLink->deleteLater();
    m_noticeLink = link;
    if (link) {
        link->setParent(this);
        link->show();
    }
    layOut();
    orderFocus();
}

void MainFrame::resizeEvent(QResizeEvent* event) {
    FramelessWindow::resizeEvent(event);
    layOut();
    if (isVisible())
        m_sizeSettled->start();
}

void MainFrame::changeEvent(QEvent* event) {
    FramelessWindow::changeEvent(event);
    // The button says what it will do.
    if (event->type() == QEvent::WindowStateChange)
        m_maximise->setAccessibleName(isMaximized() ? tr("还原") : tr("最大化"));
}

void MainFrame::layOut() {
    const QSize client = size();
    m_pageArea->setGeometry(rects::pageArea(client));
    if (m_pages)
        m_pages->setGeometry(m_pageArea->rect());
    if (m_noticeLink)
        m_noticeLink->setGeometry(rects::noticeLink(client, m_noticeLink->sizeHint().width()));
    m_close->setGeometry(rects::closeButton(client));
    m_maximise->setGeometry(rects::maximiseButton(client));
    m_minimise->setGeometry(rects::minimiseButton(client));
    m_menu->setGeometry(rects::menuButton(client));
    m_skin->setGeometry(rects::skinButton(client));
    m_sizeGrip->setGeometry(rects::sizeGrip(client));
    m_sizeGrip->setVisible(!isMaximized());
    m_sizeGrip->raise();
    if (m_status)
        showStatus(m_status->text());
}

void MainFrame::showStatusText(const std::string& text) {
    showStatus(QString::fromStdString(text));
}

void MainFrame::showSpeeds(const SpeedStatus& speeds) {
    const auto mark = [](bool limited) { return limited ? tr("(限速)") : QString(); };
    showStatus(tr("上传：%1 KB/S%2 下载：%3 KB/S%4")
                   .arg(QString::fromStdString(speeds.upload), mark(speeds.uploadLimited),
                        QString::fromStdString(speeds.download), mark(speeds.downloadLimited)));
}

void MainFrame::showStatus(const QString& text) {
    m_status->setText(text);
    // A text longer than its place ("(限速)" after a speed) grows to the left instead of
    // running out of the window.
    QRect where = rects::status(size());
    const int right = std::min(where.x() + where.width(), width() - 8);
    const int needed = m_status->fontMetrics().horizontalAdvance(m_status->text()) + 4;
    if (where.x() + needed > right)
        where.setRect(right - needed, where.y(), needed, where.height());
    m_status->setGeometry(where);
}

void MainFrame::showUploadingPage() {
    if (m_pageView)
        m_pageView->showUploadingPage();
}

void MainFrame::showDownloadingPage() {
    if (m_pageView)
        m_pageView->showDownloadingPage();
}

void MainFrame::refreshShownPage() {
    if (m_pageView)
        m_pageView->refreshShownPage();
}

}  // namespace nubexa::app
