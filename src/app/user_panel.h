#pragma once

#include <QLabel>
#include <QPixmap>
#include <QWidget>
#include <optional>

#include "service/account_info.h"
#include "service/transport_security.h"

namespace nubexa::app {

class ImageButton;
class PictureCache;

// The capacity bar: the track picture with the used part filled at its real level.
class CapacityBar : public QWidget {
public:
    CapacityBar(std::optional<double> level, QWidget* parent);
    void setTrack(QPixmap track);
    std::optional<double> level() const { return m_level; }
    void setLevel(std::optional<double> level);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_track;
    std::optional<double> m_level;
};

// The signed-in user at the top left of the page area: avatar, nickname, "[管理]", the
// membership and direct-link badges, the enlarge button and the capacity, as they were at
// sign-in. The avatar changes when its download finishes, the capacity when it is read again.
class UserPanel : public QWidget {
    Q_OBJECT
public:
    UserPanel(PictureCache& cache, const AccountInfo& account, const std::string& programFolder,
              QWidget* parent);

    // Shows the picture at `fullPath` when it is a real file, else the stand-in face.
    void showAvatar(const QString& fullPath);
    // A small lock beside the capacity when both roads to the service are encrypted; its
    // tooltip says which are.
    void showTransport(const TransportSecurity& security);
    bool showsLock() const { return m_lock != nullptr && !m_lock->isHidden(); }

    QString nickname() const { return m_nickname->text(); }
    QString capacityText() const { return m_capacity->text(); }
    // The disk's size and what is used, as the user's details give them ("5G", bytes).
    void showCapacity(const std::string& diskSize, const std::string& usedSize);
    std::optional<double> capacityLevel() const { return m_capacityBar->level(); }
    QString membershipPicture() const;
    QString directLinkPicture() const;

signals:
    // A page of the web site to open through the token forwarding ("/home", ...).
    void webPageRequested(const QString& path);

private:
    ImageButton* addLink(const QString& name, const QRect& where, const QString& path);

    PictureCache& m_pictures;
    QLabel* m_avatar;
    QLabel* m_nickname;
    QLabel* m_capacity;
    CapacityBar* m_capacityBar;
    ImageButton* m_membership = nullptr;
    ImageButton* m_directLink = nullptr;
    QLabel* m_lock = nullptr;
};

}  // namespace nubexa::app
