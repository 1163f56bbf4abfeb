#include "pages/preview_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdlib>

#include "app/picture_cache.h"
#include "pages/disk_command.h"
#include "pages/preview_media_panel.h"
#include "pages/preview_picture_view.h"
#include "pages/preview_text.h"
#include "pages/thumbnail_picture.h"
#include "picture_catalog.h"
#include "session/client_session.h"

namespace nubexa::pages {

namespace {

std::int64_t bytesOf(const DiskSelection& file) {
    return std::atoll(file.size.c_str());
}

constexpr char kTextTag = 't';
constexpr char kPictureTag = 'p';

QString nameOf(const DiskSelection& file) {
    return QString::fromStdString(file.name + file.ext);
}

}  // namespace

PreviewWindow::PreviewWindow(ClientSession& session, app::PictureCache& pictures,
                             PreviewRequest request, PreviewCommand command, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_session(session),
      m_pictures(pictures),
      m_request(std::move(request)),
      m_command(std::move(command)) {
    setAttribute(Qt::WA_DeleteOnClose);
    m_pool.setMaxThreadCount(1);
    buildControls();
    resize(800, 600);
    showFile(m_request.file);
}

PreviewWindow::~PreviewWindow() {
    m_session.forgetRemoteFileListener(*this);
    m_pool.clear();
    m_pool.waitForDone();
}

void PreviewWindow::bindKey(const QKeySequence& key, QToolButton* button) {
    // Window-wide, so that the keys work whichever part has the focus; on only while its button
    // is, so that the arrows still move in a text or along the player's slider.
    auto* shortcut = new QShortcut(key, this);
    connect(shortcut, &QShortcut::activated, button, &QToolButton::click);
    m_keys.emplace_back(shortcut, button);
}

QToolButton* PreviewWindow::addButton(const QString& text, const QString& tip,
                                      const QKeySequence& key) {
    auto* button = new QToolButton(this);
    button->setText(text);
    button->setToolTip(
        key.isEmpty() ? tip
                      : QStringLiteral("%1 (%2)").arg(tip, key.toString(QKeySequence::NativeText)));
    button->setAccessibleName(tip);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    if (!key.isEmpty())
        bindKey(key, button);
    return button;
}

void PreviewWindow::buildControls() {
    m_previous = addButton(tr("上一张"), tr("上一张图片"), QKeySequence(Qt::Key_Left));
    m_next = addButton(tr("下一张"), tr("下一张图片"), QKeySequence(Qt::Key_Right));
    m_zoomOut = addButton(tr("缩小"), tr("缩小图片"), QKeySequence(Qt::Key_Minus));
    m_zoomIn = addButton(tr("放大"), tr("放大图片"), QKeySequence(Qt::Key_Plus));
    m_zoomActual = addButton(QStringLiteral("100 %"), tr("原始大小"), QKeySequence(Qt::Key_1));
    m_fit = addButton(tr("适应窗口"), tr("图片适应窗口"), QKeySequence(Qt::Key_0));
    m_download = addButton(tr("下载"), tr("下载此文件"), {});
    m_share = addButton(tr("分享"), tr("分享此文件"), {});
    // The usual zoom keys beside the plain ones.
    bindKey(QKeySequence::ZoomIn, m_zoomIn);
    bindKey(QKeySequence(Qt::Key_Equal), m_zoomIn);
    bindKey(QKeySequence::ZoomOut, m_zoomOut);
    auto* close = new QShortcut(QKeySequence::Cancel, this);
    connect(close, &QShortcut::activated, this, &QWidget::close);

    auto* tools = new QHBoxLayout;
    for (QToolButton* button : {m_previous, m_next, m_zoomOut, m_zoomIn, m_zoomActual, m_fit})
        tools->addWidget(button);
    tools->addStretch();
    tools->addWidget(m_download);
    tools->addWidget(m_share);

    m_note = new QLabel(this);
    m_note->setAccessibleName(tr("预览提示"));
    m_note->setWordWrap(true);
    m_note->setTextFormat(Qt::PlainText);

    m_pages = new QStackedWidget(this);
    m_message = new QLabel(m_pages);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setAccessibleName(tr("预览状态"));
    m_pictureView = new PreviewPictureView(m_pages);
    m_pictureView->setAccessibleName(tr("图片"));
    m_text = new QPlainTextEdit(m_pages);
    m_text->setReadOnly(true);
    m_text->setAccessibleName(tr("文件内容"));
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_other = new QWidget(m_pages);
    m_otherIcon = new QLabel(m_other);
    m_otherIcon->setAlignment(Qt::AlignCenter);
    m_otherIcon->setAccessibleName(tr("文件类型"));
    m_otherName = new QLabel(m_other);
    m_otherName->setAlignment(Qt::AlignCenter);
    m_otherName->setTextFormat(Qt::PlainText);
    m_otherName->setAccessibleName(tr("文件名"));
    m_otherSize = new QLabel(m_other);
    m_otherSize->setAlignment(Qt::AlignCenter);
    m_otherSize->setAccessibleName(tr("文件大小"));
    auto* otherLayout = new QVBoxLayout(m_other);
    otherLayout->addStretch();
    otherLayout->addWidget(m_otherIcon);
    otherLayout->addWidget(m_otherName);
    otherLayout->addWidget(m_otherSize);
    otherLayout->addStretch();
    for (QWidget* page : {static_cast<QWidget*>(m_message), static_cast<QWidget*>(m_pictureView),
                          static_cast<QWidget*>(m_text), m_other})
        m_pages->addWidget(page);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(m_note);
    layout->addWidget(m_pages, 1);

    connect(m_previous, &QToolButton::clicked, this, &PreviewWindow::showPrevious);
    connect(m_next, &QToolButton::clicked, this, &PreviewWindow::showNext);
    connect(m_zoomIn, &QToolButton::clicked, m_pictureView, &PreviewPictureView::zoomIn);
    connect(m_zoomOut, &QToolButton::clicked, m_pictureView, &PreviewPictureView::zoomOut);
    connect(m_zoomActual, &QToolButton::clicked, m_pictureView, &PreviewPictureView::zoomActual);
    connect(m_fit, &QToolButton::clicked, m_pictureView, &PreviewPictureView::fitToWindow);
    connect(m_download, &QToolButton::clicked, this,
            [this] { m_command(m_file, disk_command::kDownload); });
    connect(m_share, &QToolButton::clicked, this,
            [this] { m_command(m_file, disk_command::kShare); });
}

int PreviewWindow::pictureIndex() const {
    for (std::size_t i = 0; i < m_request.pictures.size(); ++i)
        if (m_request.pictures[i].id == m_file.id)
            return static_cast<int>(i);
    return -1;
}

void PreviewWindow::showNext() {
    const int at = pictureIndex();
    if (at >= 0 && at + 1 < static_cast<int>(m_request.pictures.size()))
        showFile(m_request.pictures[static_cast<std::size_t>(at + 1)]);
}

void PreviewWindow::showPrevious() {
    const int at = pictureIndex();
    if (at > 0)
        showFile(m_request.pictures[static_cast<std::size_t>(at - 1)]);
}

void PreviewWindow::updateButtons() {
    const bool picture = m_kind == PreviewKind::kPicture;
    const int at = pictureIndex();
    for (QToolButton* button : {m_previous, m_next, m_zoomOut, m_zoomIn, m_zoomActual, m_fit})
        button->setVisible(picture);
    m_previous->setEnabled(at > 0);
    m_next->setEnabled(at >= 0 && at + 1 < static_cast<int>(m_request.pictures.size()));
    const bool drawn = m_shown == Shown::kPicture;
    for (QToolButton* button : {m_zoomOut, m_zoomIn, m_zoomActual, m_fit})
        button->setEnabled(drawn);
    m_share->setVisible(m_request.canShare);
    for (const auto& [shortcut, button] : m_keys)
        shortcut->setEnabled(button->isVisibleTo(this) && button->isEnabled());
}

void PreviewWindow::showFile(const DiskSelection& file) {
    m_file = file;
    m_kind = previewKindOf(QString::fromStdString(file.ext));
    // The tag says how the bytes are decoded, and which of the files shown they are.
    m_tag = (m_kind == PreviewKind::kText ? kTextTag : kPictureTag) + file.id + "#" +
            std::to_string(++m_fetches);
    m_cut = false;
    m_encoding.clear();
    setWindowTitle(tr("%1 - 预览").arg(nameOf(file)));
    const std::string remoteName = file.id + file.ext;
    switch (m_kind) {
        case PreviewKind::kPicture:
            if (bytesOf(file) > kMostPictureBytes)
                return showOther(tr("文件太大，无法预览，请下载后查看。"));
            m_session.fetchRemoteFile({m_tag, remoteName, kMostPictureBytes}, *this, true);
            break;
        case PreviewKind::kText: {
            RemoteFileRequest request{m_tag, remoteName, kMostPreviewTextBytes};
            request.headIsEnough = true;
            m_session.fetchRemoteFile(std::move(request), *this, true);
            break;
        }
        case PreviewKind::kMedia:
            return showMedia();
        case PreviewKind::kOther:
            return showOther(tr("此类文件无法预览。"));
    }
    m_message->setText(tr("正在加载…"));
    m_note->setText(tr("正在加载 %1 …").arg(nameOf(file)));
    setShown(Shown::kLoading, m_message);
}

void PreviewWindow::showMedia() {
    if (!PreviewMediaPanel::playerAvailable())
        return showOther(tr("本机没有可用的音视频播放组件，无法播放。"));
    MediaFile media;
    media.remoteName = m_file.id + m_file.ext;
    media.size = bytesOf(m_file);
    media.contentType = QMimeDatabase()
                            .mimeTypeForFile(nameOf(m_file), QMimeDatabase::MatchExtension)
                            .name()
                            .toStdString();
    std::string problem;
    auto stream = m_session.openMediaStream(media, problem);
    if (!stream)
        return showOther(tr("无法播放此文件。"));
    m_media = new PreviewMediaPanel(std::move(stream), m_pages);
    m_pages->addWidget(m_media);
    connect(m_media, &PreviewMediaPanel::failed, this, [this](const QString& why) {
        if (m_shown == Shown::kMedia)
            showOther(why);
    });
    m_note->setText(nameOf(m_file));
    setShown(Shown::kMedia, m_media);
    m_media->setFocus();  // its play button: Space plays
}

void PreviewWindow::setShown(Shown shown, QWidget* page) {
    m_shown = shown;
    m_pages->setCurrentWidget(page);
    setCursor(shown == Shown::kLoading ? Qt::BusyCursor : Qt::ArrowCursor);
    updateButtons();
    emit shownChanged();
}

void PreviewWindow::showOther(const QString& why) {
    const int icon = fileIconIndexOfName(m_file.name + m_file.ext);
    const QPixmap picture = m_pictures.picture(
        QString::fromLatin1(pictures::kFileIcons[static_cast<std::size_t>(icon)].path));
    m_otherIcon->setPixmap(picture);
    m_otherName->setText(nameOf(m_file));
    m_otherSize->setText(
        tr("大小：%1").arg(QString::fromStdString(sizeText(m_file.id, m_file.size))));
    m_note->setText(why);
    setShown(Shown::kOther, m_other);
}

void PreviewWindow::showProblem(const QString& why) {
    m_message->setText(why);
    m_note->clear();
    setShown(Shown::kProblem, m_message);
}

void PreviewWindow::showPicture(const QImage& image) {
    m_note->setText(tr("%1 × %2 像素").arg(image.width()).arg(image.height()));
    m_pictureView->setImage(image);
    setShown(Shown::kPicture, m_pictureView);
}

void PreviewWindow::showText(const QString& text, const QByteArray& encoding, bool cut,
                             bool damaged) {
    m_encoding = encoding;
    m_cut = cut;
    m_text->setPlainText(text);
    QString note = tr("编码：%1").arg(QString::fromLatin1(encoding));
    if (damaged)
        note += QLatin1Char(' ') + tr("部分字符无法识别。");
    if (cut)
        note +=
            QLatin1Char(' ') + tr("文件较大，只显示了前 %1 KB。").arg(kMostPreviewTextBytes / 1024);
    m_note->setText(note);
    setShown(Shown::kText, m_text);
}

QString PreviewWindow::note() const {
    return m_shown == Shown::kProblem ? m_message->text() : m_note->text();
}

const QImage& PreviewWindow::picture() const {
    return m_pictureView->image();
}

QString PreviewWindow::text() const {
    return m_text->toPlainText();
}

void PreviewWindow::arrive(const std::string& tag, std::function<void()> apply) {
    // Queued to the GUI thread; dropped with the window, or when another file is shown.
    QMetaObject::invokeMethod(
        this,
        [this, tag, apply = std::move(apply)] {
            if (tag == m_tag)
                apply();
        },
        Qt::QueuedConnection);
}

void PreviewWindow::remoteFileFetched(const RemoteFileResult& result) {
    using Outcome = RemoteFileResult::Outcome;
    switch (result.outcome) {
        case Outcome::kFetched:
            break;
        case Outcome::kTooLarge:
            return arrive(result.tag,
                          [this] { showOther(tr("文件太大，无法预览，请下载后查看。")); });
        case Outcome::kMissing:
            return arrive(result.tag, [this] { showProblem(tr("网盘中已没有这个文件。")); });
        case Outcome::kFailed:
            return arrive(result.tag,
                          [this] { showProblem(tr("文件获取失败，请检查网络后重试。")); });
        case Outcome::kStopped:
            return;
    }
    // Decoded on the pool: the fetch connection takes the next file meanwhile.
    m_pool.start([this, tag = result.tag, cut = result.cut,
                  bytes = QByteArray::fromStdString(result.bytes)] {
        if (tag.front() == kTextTag) {
            PreviewText text = decodePreviewText(bytes, cut);
            return arrive(tag, [this, text = std::move(text), cut] {
                showText(text.text, text.encoding, cut, text.damaged);
            });
        }
        const ThumbnailPicture picture =
            makeThumbnail(bytes, QSize(kMostPictureSide, kMostPictureSide));
        switch (picture.outcome) {
            case ThumbnailPicture::Outcome::kMade:
                return arrive(tag, [this, image = picture.image] { showPicture(image); });
            case ThumbnailPicture::Outcome::kTooLarge:
                return arrive(tag, [this, size = picture.declared] {
                    showProblem(tr("图片尺寸过大（%1 × %2 像素），不予显示。")
                                    .arg(size.width())
                                    .arg(size.height()));
                });
            case ThumbnailPicture::Outcome::kUnreadable:
                return arrive(tag, [this] { showProblem(tr("无法读取此图片。")); });
        }
    });
}

}  // namespace nubexa::pages
