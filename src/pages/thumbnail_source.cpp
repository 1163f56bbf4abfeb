#include "pages/thumbnail_source.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>

#include "pages/thumbnail_picture.h"
#include "session/client_session.h"

namespace nubexa::pages {

namespace {

// Decoding yields to the GUI thread and the transfers, but is never held back for long: at the
// idle scheduling class, one busy program elsewhere kept 100 thumbnails from coming for minutes.
// Linux keeps a nice value per thread.
constexpr int kDecodingNice = 10;

void lowerThisThread() {
    thread_local bool lowered = false;
    if (lowered)
        return;
    lowered = true;
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kDecodingNice);
}

}  // namespace

ThumbnailSource::ThumbnailSource(ClientSession& session, Settings settings, QObject* parent)
    : QObject(parent), m_session(session), m_settings(settings) {
    // Decoding is work for the cores the transfers and the GUI thread leave: on a machine of
    // two cores, decoding at the GUI thread's priority held the window up (see lowerThisThread).
    m_pool.setMaxThreadCount(2);
}

ThumbnailSource::~ThumbnailSource() {
    m_pool.clear();
    m_pool.waitForDone();  // nothing asks for a file after this
    m_session.forgetRemoteFileListener(*this);
    m_pool.clear();
    m_pool.waitForDone();
}

QString ThumbnailSource::keyOf(const DiskFileEntry& file) {
    return QString::fromStdString(file.id + "\n" + file.size + "\n" + file.time);
}

bool ThumbnailSource::wants(const DiskFileEntry& file) const {
    const long long size = std::atoll(file.size.c_str());
    return size > 0 && size <= m_settings.mostBytes &&
           hasThumbnail(QString::fromStdString(file.ext));
}

QPixmap ThumbnailSource::thumbnail(const DiskFileEntry& file) const {
    return m_ready.value(keyOf(file));
}

void ThumbnailSource::request(const std::vector<DiskFileEntry>& files, bool shown) {
    // Handed to the pool in batches: a task each for a folder of ten thousand pictures held
    // the GUI thread for tens of milliseconds. Those in sight go in small ones, so that both
    // decoding threads take them.
    const std::size_t batchSize = shown ? 4 : 64;
    std::vector<DiskFileEntry> batch;
    const auto startBatch = [&] {
        if (batch.empty())
            return;
        m_pool.start([this, files = std::move(batch), shown, generation = m_generation.load()] {
            lowerThisThread();
            for (const DiskFileEntry& file : files) {
                if (generation != m_generation)
                    return;  // another folder is shown
                look(file, shown);
            }
        });
        batch.clear();
    };
    for (const DiskFileEntry& file : files) {
        const QString key = keyOf(file);
        if (!wants(file) || m_ready.contains(key))
            continue;
        if (m_asked.contains(key)) {
            if (shown)
                moveAhead(file);
            continue;
        }
        m_asked.insert(key);
        batch.push_back(file);
        if (batch.size() == batchSize)
            startBatch();
    }
    startBatch();
}

void ThumbnailSource::look(const DiskFileEntry& file, bool shown) {
    if (const auto kept = m_session.findThumbnail(file)) {
        const ThumbnailPicture picture =
            makeThumbnail(QByteArray::fromStdString(*kept), m_settings.box);
        if (picture.outcome == ThumbnailPicture::Outcome::kMade)
            return made(file, picture.image);
    }
    const std::string tag = keyOf(file).toStdString();
    {
        std::lock_guard lock(m_mutex);
        m_fetching[tag] = file;
    }
    m_session.fetchRemoteFile({tag, file.id + file.ext, m_settings.mostBytes}, *this, shown);
}

void ThumbnailSource::moveAhead(const DiskFileEntry& file) {
    const std::string tag = keyOf(file).toStdString();
    {
        std::lock_guard lock(m_mutex);
        if (m_fetching.count(tag) == 0)
            return;
    }
    m_session.fetchRemoteFile({tag, file.id + file.ext, m_settings.mostBytes}, *this, true);
}

void ThumbnailSource::dropWaiting() {
    ++m_generation;
    m_session.dropWaitingRemoteFiles(*this);
    m_pool.clear();
    // What is not here yet is asked for again when its folder is shown again.
    m_asked.clear();
    std::lock_guard lock(m_mutex);
    m_fetching.clear();
}

void ThumbnailSource::remoteFileFetched(const RemoteFileResult& result) {
    DiskFileEntry file;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_fetching.find(result.tag);
        if (it == m_fetching.end())
            return;
        file = it->second;
        m_fetching.erase(it);
    }
    if (result.outcome != RemoteFileResult::Outcome::kFetched)
        return;  // asked once: not again while the page lives
    // Decoded on the pool: the connection takes the next file meanwhile.
    m_pool.start([this, file, bytes = QByteArray::fromStdString(result.bytes)] {
        lowerThisThread();
        const ThumbnailPicture picture = makeThumbnail(bytes, m_settings.box);
        if (picture.outcome != ThumbnailPicture::Outcome::kMade)
            return;
        const QByteArray kept = thumbnailBytes(picture.image);
        if (!kept.isEmpty())
            m_session.keepThumbnail(file, kept.toStdString());
        made(file, picture.image);
    });
}

void ThumbnailSource::made(const DiskFileEntry& file, const QImage& image) {
    bool first = false;
    {
        std::lock_guard lock(m_mutex);
        first = m_made.empty();
        m_made.push_back({keyOf(file), QString::fromStdString(file.id), image});
    }
    // One hand-over queued to the GUI thread takes whatever came until it runs; dropped with
    // this object.
    if (first)
        QMetaObject::invokeMethod(this, &ThumbnailSource::handOver, Qt::QueuedConnection);
}

void ThumbnailSource::handOver() {
    std::vector<Made> made;
    {
        std::lock_guard lock(m_mutex);
        made.swap(m_made);
    }
    QStringList ids;
    for (Made& one : made) {
        m_ready.insert(one.key, QPixmap::fromImage(std::move(one.image)));
        ids.push_back(one.fileId);
    }
    if (!ids.isEmpty())
        emit thumbnailsReady(ids);
}

}  // namespace nubexa::pages
