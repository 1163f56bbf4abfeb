#include "pages/preview_media_panel.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QGraphicsScene>
#include <QGraphicsVideoItem>
#include <QGraphicsView>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaPlayer>
#include <QSlider>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "session/media_stream.h"

namespace nubexa::pages {

namespace {

QString clockText(qint64 milliseconds) {
    const qint64 seconds = milliseconds / 1000;
    const QString text = QStringLiteral("%1:%2")
                             .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
                             .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return seconds >= 3600 ? QStringLiteral("%1:%2").arg(seconds / 3600).arg(text) : text;
}

}  // namespace

bool PreviewMediaPanel::playerAvailable() {
    // This Qt ends the process when a player is made without a back end it could load, so the
    // back end's plugin is looked for first: the one QT_MEDIA_BACKEND names, else any.
    const QString wanted = qEnvironmentVariable("QT_MEDIA_BACKEND");
    const QString pattern = wanted.isEmpty() ? QStringLiteral("*mediaplugin.*")
                                             : QStringLiteral("lib%1mediaplugin.*").arg(wanted);
    for (const QString& path : QCoreApplication::libraryPaths()) {
        const QDir folder(path + QStringLiteral("/multimedia"));
        if (!folder.entryList({pattern}, QDir::Files).isEmpty())
            return true;
    }
    return false;
}

PreviewMediaPanel::PreviewMediaPanel(std::unique_ptr<MediaStream> stream, QWidget* parent)
    : QWidget(parent), m_stream(std::move(stream)) {
    m_player = new QMediaPlayer(this);
    m_audio = new QAudioOutput(this);
    m_player->setAudioOutput(m_audio);
    // A video item in a view rather than a video widget: the widget puts a native window of
    // its own into the window, which this Qt leaks when the window closes.
    m_video = new QGraphicsView(this);
    m_video->setAccessibleName(tr("视频"));
    m_video->setFrameShape(QFrame::NoFrame);
    m_video->setBackgroundBrush(Qt::black);
    m_video->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_video->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_video->setScene(new QGraphicsScene(m_video));
    m_picture = new QGraphicsVideoItem;
    m_video->scene()->addItem(m_picture);
    m_player->setVideoOutput(m_picture);
    connect(m_picture, &QGraphicsVideoItem::nativeSizeChanged, this, [this] { fitVideo(); });
    m_video->viewport()->installEventFilter(this);
    // Sound alone shows only its controls.
    m_video->hide();
    connect(m_player, &QMediaPlayer::hasVideoChanged, m_video, &QWidget::setVisible);

    m_play = new QToolButton(this);
    m_play->setText(tr("播放"));
    m_play->setAccessibleName(tr("播放或暂停"));
    m_play->setToolTip(tr("播放或暂停"));
    m_play->setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_play);
    m_position = new QSlider(Qt::Horizontal, this);
    m_position->setAccessibleName(tr("播放位置"));
    m_position->setFocusPolicy(Qt::StrongFocus);
    m_position->setEnabled(false);
    m_time = new QLabel(this);
    m_time->setAccessibleName(tr("播放时间"));
    m_volume = new QSlider(Qt::Horizontal, this);
    m_volume->setAccessibleName(tr("音量"));
    m_volume->setToolTip(tr("音量"));
    m_volume->setRange(0, 100);
    m_volume->setValue(80);
    m_volume->setMaximumWidth(120);
    m_volume->setFocusPolicy(Qt::StrongFocus);
    m_audio->setVolume(0.8f);

    auto* controls = new QHBoxLayout;
    controls->addWidget(m_play);
    controls->addWidget(m_position, 1);
    controls->addWidget(m_time);
    controls->addWidget(m_volume);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_video, 1);
    layout->addStretch();
    layout->addLayout(controls);

    connect(m_play, &QToolButton::clicked, this, &PreviewMediaPanel::togglePlaying);
    connect(m_volume, &QSlider::valueChanged, this,
            [this](int value) { m_audio->setVolume(float(value) / 100.0f); });
    connect(m_position, &QSlider::sliderPressed, this, [this] { m_dragging = true; });
    connect(m_position, &QSlider::sliderReleased, this, [this] {
        m_dragging = false;
        m_player->setPosition(m_position->value());
    });
    // Keys and clicks on the groove move it without a drag: a seek at once.
    connect(m_position, &QSlider::actionTriggered, this, [this] {
        if (!m_dragging)
            m_player->setPosition(m_position->sliderPosition());
    });
    connect(m_player, &QMediaPlayer::durationChanged, this, [this](qint64 duration) {
        m_position->setRange(0, int(std::min<qint64>(duration, INT_MAX)));
        m_position->setSingleStep(5000);
        m_position->setPageStep(30000);
        m_position->setEnabled(duration > 0 && m_player->isSeekable());
        showTime();
    });
    connect(m_player, &QMediaPlayer::seekableChanged, this, [this](bool seekable) {
        m_position->setEnabled(seekable && m_player->duration() > 0);
    });
    connect(m_player, &QMediaPlayer::positionChanged, this, [this](qint64 position) {
        if (!m_dragging)
            m_position->setValue(int(std::min<qint64>(position, INT_MAX)));
        showTime();
    });
    connect(m_player, &QMediaPlayer::playbackStateChanged, this,
            [this](QMediaPlayer::PlaybackState state) {
                m_play->setText(state == QMediaPlayer::PlayingState ? tr("暂停") : tr("播放"));
            });
    connect(
        m_player, &QMediaPlayer::errorOccurred, this,
        [this](QMediaPlayer::Error, const QString& words) {
            emit failed(words.isEmpty() ? tr("无法播放此文件。") : tr("无法播放：%1").arg(words));
        });
    showTime();
    m_player->setSource(QUrl(QString::fromStdString(m_stream->url())));
}

PreviewMediaPanel::~PreviewMediaPanel() {
    // The player lets go of the address before the stream behind it ends.
    m_player->stop();
    delete m_player;
    m_player = nullptr;
    m_stream.reset();
}

void PreviewMediaPanel::fitVideo() {
    m_picture->setSize(m_video->viewport()->size());
    m_video->scene()->setSceneRect(QRectF(QPointF(0, 0), m_video->viewport()->size()));
}

bool PreviewMediaPanel::eventFilter(QObject* watched, QEvent* event) {
    // The view is laid out when a video shows, after the panel's own resize.
    if (watched == m_video->viewport() && event->type() == QEvent::Resize)
        fitVideo();
    return QWidget::eventFilter(watched, event);
}

void PreviewMediaPanel::togglePlaying() {
    if (m_player->playbackState() == QMediaPlayer::PlayingState)
        m_player->pause();
    else
        m_player->play();
}

void PreviewMediaPanel::step(qint64 milliseconds) {
    if (m_player->isSeekable())
        m_player->setPosition(
            std::clamp<qint64>(m_player->position() + milliseconds, 0, m_player->duration()));
}

void PreviewMediaPanel::showTime() {
    m_time->setText(QStringLiteral("%1 / %2")
                        .arg(clockText(m_player ? m_player->position() : 0))
                        .arg(clockText(m_player ? m_player->duration() : 0)));
}

}  // namespace nubexa::pages
