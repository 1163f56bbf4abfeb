#include "app/skin_dlg.h"

#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollBar>

#include "app/picture_cache.h"

namespace nubexa::app {

CSkinDlg::CSkinDlg(FramelessWindow& target, int current)
    : FramelessWindow(target.pictureCache(), &target, Qt::Popup),
      m_target(&target),
      m_current(current) {
    setWindowTitle(kTitle);
    setAccessibleName(tr("更换皮肤"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(skin_rects::kWindow);
    setBackground(target.background());
    setFrame(pictures::kFrame, pictures::kFrameMargins);

    PictureCache& cache = pictureCache();
    const QString folder = cache.imageFolder();

    auto* title = new QLabel(this);
    title->setGeometry(skin_rects::kTitle);
    title->setPixmap(cache.picture(QString::fromLatin1(pictures::kSkinTitle.path)));
    title->setScaledContents(true);
    title->setAccessibleName(tr("标题"));
    auto* titleText = new QLabel(tr("更换皮肤"), title);
    titleText->setGeometry(skin_rects::kTitleText);
    titleText->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    titleText->setAccessibleName(titleText->text());

    m_list = new QListWidget(this);
    m_list->setAccessibleName(tr("皮肤列表"));
    m_list->setGeometry(skin_rects::kList);
    m_list->setViewMode(QListView::IconMode);
    m_list->setIconSize(skin_rects::kThumbnail);
    m_list->setSpacing(skin_rects::kItemSpacing);
    // One cell per skin: the thumbnail with its border of 3 on each side, and a line of text.
    m_list->setGridSize(QSize(skin_rects::kThumbnail.width() + 4 * skin_rects::kItemSpacing + 1,
                              skin_rects::kThumbnail.height() + 4 * skin_rects::kItemSpacing + 20));
    m_list->setUniformItemSizes(true);
    m_list->setMovement(QListView::Static);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setFlow(QListView::LeftToRight);
    m_list->setWrapping(true);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setFocusPolicy(Qt::NoFocus);
    const pictures::NinePatch& edges = pictures::kScrollBarMargins;
    const QString edgeText = QStringLiteral("%1 %2 %3 %4")
                                 .arg(edges.top)
                                 .arg(edges.right)
                                 .arg(edges.bottom)
                                 .arg(edges.left);
    m_list->setStyleSheet(
        QStringLiteral("QListWidget { background: transparent; color: white; border: none; }"
                       "QListWidget::item { color: white; border: 3px solid transparent; }"
                       "QListWidget::item:hover, QListWidget::item:selected {"
                       " border-image: url(%1%2) 0 0 0 0 stretch stretch; color: white; }"
                       "QScrollBar:vertical { background: transparent; width: 12px; margin: 0; }"
                       "QScrollBar::handle:vertical { border-image: url(%1%3) %5 stretch stretch;"
                       " border-width: %6; min-height: 40px; }"
                       "QScrollBar::handle:vertical:hover, QScrollBar::handle:vertical:pressed {"
                       " border-image: url(%1%4) %5 stretch stretch; }"
                       "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                       "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical {"
                       " background: transparent; }")
            .arg(folder, QString::fromLatin1(pictures::kSkinItemSelect.path),
                 QString::fromLatin1(pictures::kScrollBarLeave.path),
                 QString::fromLatin1(pictures::kScrollBarStay.path), edgeText,
                 QStringLiteral("%1px %2px %3px %4px")
                     .arg(edges.top)
                     .arg(edges.right)
                     .arg(edges.bottom)
                     .arg(edges.left)));
    m_list->viewport()->setAutoFillBackground(false);
    for (const pictures::Skin& skin : pictures::kSkins) {
        auto* item =
            new QListWidgetItem(QIcon(cache.picture(QString::fromLatin1(skin.thumbnail->path))),
                                QString::fromUtf8(skin.name), m_list);
        item->setToolTip(item->text());
        item->setTextAlignment(Qt::AlignHCenter);
    }
    // Marked without scrolling to it when shown: the list opens at its top, every name whole.
    m_list->setAutoScroll(false);
    if (m_current >= 0 && m_current < m_list->count())
        m_list->setCurrentRow(m_current);
    m_list->setAutoScroll(true);
    // Connected after the opening selection, so that it applies nothing.
    connect(m_list, &QListWidget::currentRowChanged, this, &CSkinDlg::choose);
}

void CSkinDlg::showUnder(const QRect& anchor) {
    move(anchor.right() + 1 - width(), anchor.bottom() + 1);
    show();
    activateWindow();
}

QString CSkinDlg::backgroundOf(int index) {
    if (index < 0 || index >= static_cast<int>(pictures::kSkinCount))
        return {};
    return QString::fromLatin1(pictures::kSkins[index].background->path);
}

int CSkinDlg::indexOf(const QString& picture) {
    for (int i = 0; i < static_cast<int>(pictures::kSkinCount); ++i) {
        if (picture == backgroundOf(i))
            return i;
    }
    return 0;
}

void CSkinDlg::choose(int index) {
    if (index < 0 || index == m_current || !m_target)
        return;
    m_current = index;
    const QString picture = backgroundOf(index);
    m_target->setBackground(picture);
    setBackground(picture);
    emit skinApplied(index);
}

bool CSkinDlg::event(QEvent* event) {
    // A popup normally closes at a click outside; a window switch by keyboard or by the
    // desktop takes the focus too, and closes it as well.
    if (event->type() == QEvent::WindowDeactivate && isVisible())
        close();
    return FramelessWindow::event(event);
}

}  // namespace nubexa::app

namespace nubexa::app {

void CSkinDlg::mousePressEvent(QMouseEvent* event) {
    // A popup receives the clicks outside it: such a click ends it.
    if (!rect().contains(event->position().toPoint())) {
        close();
        return;
    }
    FramelessWindow::mousePressEvent(event);
}

}  // namespace nubexa::app
