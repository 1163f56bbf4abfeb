#pragma once

#include <QWidget>
#include <memory>
#include <string>

class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QSlider;
class QToolButton;
class QGraphicsVideoItem;
class QGraphicsView;

namespace nubexa {
class MediaStream;
}

namespace nubexa::pages {

// Sound or video played while it comes: the player reads the file from the session's media
// stream (a loopback address that fetches each range asked for), so playing starts at once
// and a seek fetches from where it lands. Play and pause, a position slider with the time,
// the volume. The stream ends with the panel. GUI thread only.
class PreviewMediaPanel : public QWidget {
    Q_OBJECT
public:
    // Whether this machine can play at all: a multimedia back end is there for Qt to load.
    static bool playerAvailable();

    PreviewMediaPanel(std::unique_ptr<MediaStream> stream, QWidget* parent = nullptr);
    ~PreviewMediaPanel() override;

    QMediaPlayer* player() const { return m_player; }
    void togglePlaying();
    // Seeks `milliseconds` forward (back when negative).
    void step(qint64 milliseconds);

signals:
    // Why the file cannot be played, in words for the user.
    void failed(const QString& why);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showTime();
    void fitVideo();

    std::unique_ptr<MediaStream> m_stream;
    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_audio = nullptr;
    QGraphicsView* m_video = nullptr;
    QGraphicsVideoItem* m_picture = nullptr;  // owned by the view's scene
    QToolButton* m_play = nullptr;
    QSlider* m_position = nullptr;
    QLabel* m_time = nullptr;
    QSlider* m_volume = nullptr;
    bool m_dragging = false;
};

}  // namespace nubexa::pages
