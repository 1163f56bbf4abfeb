#pragma once

#include <QImage>
#include <QString>
#include <QThreadPool>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

#include "pages/disk_rows.h"
#include "pages/preview_kind.h"
#include "transfer/remote_files.h"

class QLabel;
class QPlainTextEdit;
class QShortcut;
class QStackedWidget;
class QToolButton;

namespace nubexa {
class ClientSession;
}
namespace nubexa::app {
class PictureCache;
}

namespace nubexa::pages {

class PreviewPictureView;
class PreviewMediaPanel;

// What a preview window opens on.
struct PreviewRequest {
    DiskSelection file;
    // The pictures of the same folder in the page's order, `file` among them when it is one:
    // what "next" and "previous" walk.
    std::vector<DiskSelection> pictures;
    bool canShare = true;  // the page shown offers sharing
};

// The disk page's own commands (download, share) run on an item, as its menu runs them.
using PreviewCommand = std::function<void(const DiskSelection& item, int command)>;

// One file of the disk in a window of its own: a picture (fitted, zoomed, the folder's pictures
// walked), a text's head (encoding found, a line when it is cut), sound or video played while
// it comes, or the file's icon, name and size. The bytes come through the session's small-file
// fetches (a size limit, the picture's declared size checked before decoding) and are decoded
// off the GUI thread. Esc closes it.
// GUI thread only; the destructor waits for its decoding and for the session to forget it.
class PreviewWindow : public QWidget, private RemoteFileListener {
    Q_OBJECT
public:
    // Larger pictures are not fetched: a preview would hold a fetch connection too long.
    static constexpr std::int64_t kMostPictureBytes = std::int64_t{20} << 20;
    // The largest picture a preview decodes, a side, when its file says so.
    static constexpr int kMostPictureSide = 16384;

    enum class Shown { kLoading, kPicture, kText, kMedia, kOther, kProblem };

    PreviewWindow(ClientSession& session, app::PictureCache& pictures, PreviewRequest request,
                  PreviewCommand command, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    void showNext();
    void showPrevious();

    const DiskSelection& file() const { return m_file; }
    Shown shown() const { return m_shown; }
    // The line under the tool bar: what is loading, why nothing is shown, that a text is cut.
    QString note() const;
    const QImage& picture() const;
    QString text() const;
    QByteArray textEncoding() const { return m_encoding; }
    bool textCut() const { return m_cut; }
    PreviewPictureView* pictureView() const { return m_pictureView; }
    PreviewMediaPanel* mediaPanel() const { return m_media; }

signals:
    // Whatever the window shows changed (a file arrived, failed, another was walked to).
    void shownChanged();

private:
    void buildControls();
    void bindKey(const QKeySequence& key, QToolButton* button);
    QToolButton* addButton(const QString& text, const QString& tip, const QKeySequence& key);
    void showFile(const DiskSelection& file);
    void showOther(const QString& why);
    void showMedia();
    void showProblem(const QString& why);
    void showPicture(const QImage& image);
    void showText(const QString& text, const QByteArray& encoding, bool cut, bool damaged);
    void setShown(Shown shown, QWidget* page);
    void updateButtons();
    int pictureIndex() const;
    void remoteFileFetched(const RemoteFileResult& result) override;  // on a fetch thread
    // Brings `apply` over to the GUI thread, for the file asked for as `tag` only.
    void arrive(const std::string& tag, std::function<void()> apply);

    ClientSession& m_session;
    app::PictureCache& m_pictures;
    const PreviewRequest m_request;
    const PreviewCommand m_command;
    DiskSelection m_file;
    PreviewKind m_kind = PreviewKind::kOther;
    std::string m_tag;  // of the fetch the window waits for
    int m_fetches = 0;
    Shown m_shown = Shown::kLoading;
    QByteArray m_encoding;
    bool m_cut = false;
    QThreadPool m_pool;  // decodes

    std::vector<std::pair<QShortcut*, QToolButton*>> m_keys;  // each button's keys
    QToolButton* m_previous = nullptr;
    QToolButton* m_next = nullptr;
    QToolButton* m_zoomOut = nullptr;
    QToolButton* m_zoomIn = nullptr;
    QToolButton* m_zoomActual = nullptr;
    QToolButton* m_fit = nullptr;
    QToolButton* m_download = nullptr;
    QToolButton* m_share = nullptr;
    QLabel* m_note = nullptr;
    QStackedWidget* m_pages = nullptr;
    QLabel* m_message = nullptr;
    PreviewPictureView* m_pictureView = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QWidget* m_other = nullptr;
    QLabel* m_otherIcon = nullptr;
    QLabel* m_otherName = nullptr;
    QLabel* m_otherSize = nullptr;
    PreviewMediaPanel* m_media = nullptr;
};

}  // namespace nubexa::pages
