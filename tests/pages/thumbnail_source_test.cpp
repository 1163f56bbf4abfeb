// Thumbnails of a folder against the stand-in: a picture fetched through the session, made off
// the GUI thread and kept; later shown from the cache with the file server gone; a file in
// another state (size or time) is not served the old thumbnail; files that are no pictures
// are not asked for.
#include <ace/Log_Msg.h>
#include <QSignalSpy>
#include <QTest>

#include "pages/thumbnail_source.h"
#include "platform/notifier.h"
#include "session/client_session.h"
#include "standin/local_standin.h"
#include "support/qt_test_main.h"
#include "support/temp_dir.h"

using namespace nubexa;
using namespace nubexa::pages;

class ThumbnailSourceTest : public QObject {
    Q_OBJECT

private slots:
    void picturesAreFetchedKeptAndShownFromTheCacheWithoutTheServer() {
        ACE_Log_Msg::instance()->priority_mask(0, ACE_Log_Msg::PROCESS);
        test::TempDir dir;
        std::string error;
        auto service = standin::startLocalStandin(
            dir.path() + "/data", [](const std::string&) {}, error);
        QVERIFY2(service, error.c_str());
        SessionConfig config;
        config.databasePath = dir.path() + "/bin.db";
        config.programFolder = dir.path() + "/";
        config.service.apiHost = "127.0.0.1:" + std::to_string(service->httpPort());
        config.thumbnailFolder = dir.path() + "/thumbnails";
        RecordingNotifier notifier;
        ClientSession session(config, notifier);
        PasswordSignIn signIn;
        signIn.account = "demo";
        signIn.password = "demo123";
        QVERIFY(session.signIn(signIn).ok());
        TransferSettings settings;
        settings.programFolder = dir.path() + "/";
        settings.ftp.trace = nullptr;
        settings.startAtOnce = false;
        NoTransferView view;
        session.startTransfers(settings, view);

        const auto top = session.list(ListingKind::kFolder, "0");
        QVERIFY(top.tables);
        std::vector<DiskFileEntry> files = listedEntries(top.tables->disk_files);
        std::string photos;
        for (const auto& folder : listedEntries(top.tables->disk_folders))
            if (folder.name == "照片")
                photos = folder.id;
        const auto listed = session.list(ListingKind::kFolder, photos);
        QVERIFY(listed.tables);
        DiskFileEntry seaside;
        for (const auto& file : listedEntries(listed.tables->disk_files)) {
            files.push_back(file);
            if (file.name == "海边")
                seaside = file;
        }
        QCOMPARE(seaside.ext, std::string(".png"));

        {
            ThumbnailSource source(session, {});
            QSignalSpy ready(&source, &ThumbnailSource::thumbnailsReady);
            for (const auto& file : files)
                QCOMPARE(source.wants(file), file.ext == ".png");
            source.request(files, true);
            source.request(files, true);  // asked once
            QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, 20000);
            QCOMPARE(ready.front().front().toStringList(),
                     QStringList{QString::fromStdString(seaside.id)});
            QCOMPARE(source.thumbnail(seaside).size(), QSize(96, 60));
        }
        QVERIFY(session.findThumbnail(seaside));

        // The file server gone: the kept thumbnail still shows.
        service->stop();
        ThumbnailSource again(session, {});
        QSignalSpy ready(&again, &ThumbnailSource::thumbnailsReady);
        again.request({seaside}, true);
        QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, 20000);
        QCOMPARE(again.thumbnail(seaside).size(), QSize(96, 60));
        // The same file changed on the disk is listed otherwise: the old thumbnail is not its.
        DiskFileEntry changed = seaside;
        changed.time = "2030-01-01 00:00:00";
        QVERIFY(!session.findThumbnail(changed));
        QVERIFY(again.thumbnail(changed).isNull());
    }
};

NUBEXA_QTEST(ThumbnailSourceTest)
#include "thumbnail_source_test.moc"
