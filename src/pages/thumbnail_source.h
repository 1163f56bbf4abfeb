#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "service/disk_entries.h"
#include "transfer/remote_files.h"

namespace nubexa {
class ClientSession;
}

namespace nubexa::pages {

// The thumbnails of a folder's pictures: from the session's thumbnail cache when it has this
// state of the file, else fetched by the session's small-file job, made off the GUI thread and
// kept in the cache. Each file is asked for once; those asked for as shown go first.
// Created, used and destroyed on the GUI thread; the destructor waits for its decoding and for
// the session to forget it as a file listener.
class ThumbnailSource : public QObject, private RemoteFileListener {
    Q_OBJECT
public:
    struct Settings {
        QSize box{96, 96};
        // Larger files get no thumbnail: they would hold a fetch connection too long.
        std::int64_t mostBytes = std::int64_t{20} << 20;
    };
    ThumbnailSource(ClientSession& session, Settings settings, QObject* parent = nullptr);
    ~ThumbnailSource() override;

    // Whether the file is a picture that gets a thumbnail.
    bool wants(const DiskFileEntry& file) const;
    // The file's thumbnail once it is here; a null pixmap before, or when it has none.
    QPixmap thumbnail(const DiskFileEntry& file) const;
    // Asks for the thumbnails of `files` not asked for yet; `shown`: ahead of those waiting,
    // those asked for before and still waiting included (rows scrolled into sight).
    void request(const std::vector<DiskFileEntry>& files, bool shown);
    // Forgets what waits to be fetched (another folder is shown).
    void dropWaiting();

signals:
    // Thumbnails that came since the last time, together: a folder of thousands of pictures
    // redraws its rows a batch at a time, not once per picture.
    void thumbnailsReady(const QStringList& fileIds);

private:
    void remoteFileFetched(const RemoteFileResult& result) override;  // on a fetch thread
    void made(const DiskFileEntry& file, const QImage& image);        // from any thread
    void handOver();                                                  // on the GUI thread
    void moveAhead(const DiskFileEntry& file);
    // On the pool: the cache's thumbnail, else a fetch.
    void look(const DiskFileEntry& file, bool shown);
    static QString keyOf(const DiskFileEntry& file);

    ClientSession& m_session;
    const Settings m_settings;
    QThreadPool m_pool;                // reads the cache and decodes
    QHash<QString, QPixmap> m_ready;   // by keyOf
    QSet<QString> m_asked;             // by keyOf
    std::atomic<int> m_generation{0};  // one more for each folder shown
    std::mutex m_mutex;
    std::unordered_map<std::string, DiskFileEntry> m_fetching;  // by tag; guarded by m_mutex
    struct Made {
        QString key;
        QString fileId;
        QImage image;
    };
    std::vector<Made> m_made;  // not handed over yet; guarded by m_mutex
};

}  // namespace nubexa::pages
