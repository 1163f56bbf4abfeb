#include "app/user_panel.h"

#include <QFileInfo>
#include <QLinearGradient>
#include <algorithm>

#include <QPainter>
#include <QPainterPath>

#include "app/capacity_text.h"
#include "app/colour_scheme.h"
#include "app/image_button.h"
#include "app/main_frame_rects.h"
#include "app/picture_cache.h"
#include "picture_catalog.h"

namespace nubexa::app {

namespace rects = main_frame_rects;

namespace {

// The avatar as the sign-in left it: a downloaded picture under the program folder, or the
// stand-in face when the file is missing, empty or not named.
QString avatarFile(const AccountInfo& account, const std::string& programFolder) {
    static const std::string kFolder = "image/userFile/";
    if (account.avatar_path.size() <= kFolder.size())
        return {};
    return QString::fromStdString(programFolder + account.avatar_path);
}

// The picture filling a circle of the label's size, scaled smoothly at the screen's pixels (a
// label that scales its contents itself draws the nearest pixel, and leaves a photo's corners).
QPixmap roundFace(const QPixmap& picture, QSize size, qreal scale) {
    const QSize pixels = size * scale;
    QPixmap scaled =
        picture.scaled(pixels, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    // Painted pixel for pixel: a 2x picture (the built-in face) would otherwise tile at half size.
    scaled.setDevicePixelRatio(1);
    QPixmap face(pixels);
    face.fill(Qt::transparent);
    QPainter painter(&face);
    // Filled with the picture rather than clipped: a clip path's edge is not smoothed.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QBrush brush(scaled);
    brush.setTransform(QTransform::fromTranslate((pixels.width() - scaled.width()) / 2,
                                                 (pixels.height() - scaled.height()) / 2));
    painter.setBrush(brush);
    painter.drawEllipse(QRectF(QPointF(0, 0), QSizeF(pixels)));
    painter.end();
    face.setDevicePixelRatio(scale);
    return face;
}

}  // namespace

UserPanel::UserPanel(PictureCache& cache, const AccountInfo& account,
                     const std::string& programFolder, QWidget* parent)
    : QWidget(parent), m_pictures(cache) {
    setAccessibleName(tr("用户信息"));
    setAttribute(Qt::WA_TranslucentBackground);
    resize(rects::kSeparator.right() + 12, rects::kSeparator.bottom() + 4);

    m_avatar = new QLabel(this);
    m_avatar->setGeometry(rects::kAvatar);
    m_avatar->setAccessibleName(tr("头像"));
    showAvatar(avatarFile(account, programFolder));

    m_nickname = new QLabel(QString::fromStdString(account.nickname), this);
    m_nickname->setTextFormat(Qt::PlainText);
    m_nickname->setAttribute(Qt::WA_TransparentForMouseEvents);
    setSchemeStyleSheet(m_nickname, [](const SchemeColours& c) {
        return QStringLiteral("color: %1; font-size: 12px; font-weight: 600;").arg(c.text.name());
    });
    m_nickname->move(rects::kNickname.topLeft());
    m_nickname->setMinimumHeight(rects::kNickname.height());
    m_nickname->adjustSize();
    m_nickname->setAccessibleName(tr("昵称"));

    auto* manage = addLink(tr("[管理]"), rects::kManage, QStringLiteral("/home"));
    manage->setText(tr("[管理]"));
    followColourScheme(manage, [manage](const SchemeColours& c) { manage->setTextColor(c.link); });
    // The manage link sits right of a long nickname rather than under it.
    manage->move(std::max(rects::kManage.left(), m_nickname->geometry().right() + 6),
                 rects::kManage.top());

    m_membership =
        addLink(tr("会员等级"), rects::kMembershipBadge, QStringLiteral("/account/recommend.aspx"));
    m_membership->setPicture(account.vip == "0" ? pictures::kBadgeNormal : pictures::kBadgeVip);
    m_directLink =
        addLink(tr("直链"), rects::kDirectLinkBadge, QStringLiteral("/account/wip.aspx"));
    m_directLink->setPicture(account.wip == "0" ? pictures::kBadgeDirectLinkOff
                                                : pictures::kBadgeDirectLink);
    auto* enlarge = addLink(tr("扩容"), rects::kEnlarge, QStringLiteral("/account/upspace.aspx"));
    enlarge->setPicture(pictures::kEnlarge);

    m_capacityBar = new CapacityBar(app::capacityLevel(account.disk_size, account.used_size), this);
    followColourScheme(m_capacityBar, [this, &cache](const SchemeColours&) {
        m_capacityBar->setTrack(cache.picture(QString::fromLatin1(pictures::kCapacityBar.path)));
    });
    m_capacityBar->setGeometry(rects::kCapacityBar);
    m_capacityBar->setAccessibleName(tr("容量"));
    m_capacity = new QLabel(
        QString::fromStdString(app::capacityText(account.disk_size, account.used_size)), this);
    m_capacity->setTextFormat(Qt::PlainText);
    m_capacity->setGeometry(rects::kCapacityText.adjusted(0, 0, 60, 2));
    setSchemeStyleSheet(m_capacity, [](const SchemeColours& c) {
        return QStringLiteral("color: %1; font-size: 11px;").arg(c.mutedText.name());
    });
    m_capacity->setAccessibleName(tr("容量"));
    auto* separator = new QLabel(this);
    separator->setGeometry(rects::kSeparator);
    separator->setScaledContents(true);
    separator->setAccessibleName(tr("分隔线"));
    showPicture(separator, cache, QString::fromLatin1(pictures::kSeparator.path));
}

CapacityBar::CapacityBar(std::optional<double> level, QWidget* parent)
    : QWidget(parent), m_level(level) {}

void CapacityBar::setTrack(QPixmap track) {
    m_track = std::move(track);
    update();
}

void CapacityBar::setLevel(std::optional<double> level) {
    if (level == m_level)
        return;
    m_level = level;
    update();
}

void UserPanel::showCapacity(const std::string& diskSize, const std::string& usedSize) {
    m_capacity->setText(QString::fromStdString(app::capacityText(diskSize, usedSize)));
    m_capacityBar->setLevel(app::capacityLevel(diskSize, usedSize));
}

void CapacityBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), m_track);
    if (!m_level || *m_level <= 0)
        return;
    // The fill sits in the track's groove (3 points from the top, 8 high), at least a dot wide.
    const QRectF groove(0, 3, width(), 8);
    const qreal filled = std::max(groove.height(), groove.width() * *m_level);
    QLinearGradient fill(0, 0, filled, 0);
    fill.setColorAt(0, QColor(0x5B, 0x9D, 0xF3));
    fill.setColorAt(1, *m_level > 0.9 ? QColor(0xE5, 0x48, 0x4D) : QColor(0x2F, 0x80, 0xED));
    QPainterPath path;
    path.addRoundedRect(QRectF(groove.topLeft(), QSizeF(filled, groove.height())), 4, 4);
    painter.fillPath(path, fill);
}

ImageButton* UserPanel::addLink(const QString& name, const QRect& where, const QString& path) {
    auto* button = new ImageButton(m_pictures, name, this);
    button->setGeometry(where);
    button->setHandCursor();
    connect(button, &QAbstractButton::clicked, this, [this, path] { emit webPageRequested(path); });
    return button;
}

void UserPanel::showAvatar(const QString& fullPath) {
    const QFileInfo file(fullPath);
    QPixmap picture;
    if (!fullPath.isEmpty() && file.isFile() && file.size() > 0)
        picture.load(fullPath);
    if (picture.isNull())
        picture = m_pictures.picture(QString::fromLatin1(pictures::kFaceDemo.path));
    m_avatar->setPixmap(roundFace(picture, m_avatar->size(), devicePixelRatioF()));
}

void UserPanel::showTransport(const TransportSecurity& security) {
    if (!security.bothEncrypted()) {
        if (m_lock)
            m_lock->hide();
        return;
    }
    if (!m_lock) {
        // Drawn at the screen's scale: a shackle over a body, in the capacity text's colour.
        const qreal scale = devicePixelRatioF();
        QPixmap lock(QSize(12, 14) * scale);
        lock.setDevicePixelRatio(scale);
        lock.fill(Qt::transparent);
        QPainter painter(&lock);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor ink(0x3d, 0x4b, 0x5c);
        painter.setPen(QPen(ink, 1.6));
        painter.drawArc(QRectF(2.8, 1, 6.4, 9), 0, 180 * 16);
        painter.drawLine(QPointF(2.8, 5.5), QPointF(2.8, 7));
        painter.drawLine(QPointF(9.2, 5.5), QPointF(9.2, 7));
        QPainterPath body;
        body.addRoundedRect(QRectF(1, 6.5, 10, 7), 1.5, 1.5);
        painter.fillPath(body, ink);
        painter.end();
        m_lock = new QLabel(this);
        m_lock->setPixmap(lock);
        m_lock->setGeometry(rects::kCapacityBar.right() + 6, rects::kCapacityBar.top(), 12, 14);
        m_lock->setAccessibleName(tr("连接已加密"));
    }
    m_lock->setToolTip(QString::fromStdString(security.description()));
    m_lock->show();
}

QString UserPanel::membershipPicture() const {
    return m_membership->currentFace().picture;
}

QString UserPanel::directLinkPicture() const {
    return m_directLink->currentFace().picture;
}

}  // namespace nubexa::app
