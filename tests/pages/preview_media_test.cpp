// Sound in the preview window against the stand-in: a WAV made here is played from the
// session's media stream, loads with the right duration, a seek asks the file server for the
// bytes where it lands, and closing the window ends the stream's address.
#include <QMediaPlayer>
#include <QPointer>
#include <QTcpSocket>
#include <QTest>
#include <cmath>

#include "app/main_wnd.h"
#include "page_driver.h"
#include "pages/disk_list_model.h"
#include "pages/preview_media_panel.h"
#include "pages/preview_window.h"
#include "session/client_session.h"
#include "support/qt_test_main.h"

using namespace nubexa;
using namespace nubexa::pages;
using nubexa::test::ClientHarness;
using nubexa::test::PageDriver;

namespace {

constexpr int kRate = 8000;
constexpr int kSeconds = 20;
constexpr int kHeaderBytes = 44;

// A mono 16-bit PCM WAV of a 440 Hz tone.
QByteArray toneWav() {
    const quint32 dataBytes = kRate * kSeconds * 2;
    QByteArray bytes;
    auto put = [&bytes](quint32 value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.append(char((value >> (8 * i)) & 0xff));
    };
    bytes.append("RIFF");
    put(36 + dataBytes, 4);
    bytes.append("WAVEfmt ");
    put(16, 4);
    put(1, 2);  // PCM
    put(1, 2);  // mono
    put(kRate, 4);
    put(kRate * 2, 4);
    put(2, 2);
    put(16, 2);
    bytes.append("data");
    put(dataBytes, 4);
    for (int i = 0; i < kRate * kSeconds; ++i)
        put(quint16(qint16(8000 * std::sin(2 * M_PI * 440 * i / kRate))), 2);
    return bytes;
}

// The offsets the file server was asked to start from (REST), in order.
std::vector<long long> restOffsets(const ClientHarness& harness) {
    std::vector<long long> offsets;
    for (const std::string& line : harness.logLines("REST ")) {
        const auto at = line.find("REST ");
        offsets.push_back(std::atoll(line.c_str() + at + 5));
    }
    return offsets;
}

}  // namespace

class PreviewMediaTest : public QObject {
    Q_OBJECT
private slots:
    void soundPlaysFromTheStreamAndASeekFetchesWhereItLands();
};

void PreviewMediaTest::soundPlaysFromTheStreamAndASeekFetchesWhereItLands() {
    if (!PreviewMediaPanel::playerAvailable())
        QSKIP("no Qt Multimedia back end can be loaded on this machine");
    PageDriver driver;
    QVERIFY(driver.ready());
    QVERIFY(driver.uploadHere({{"tone.wav", toneWav()}}));
    CXPageMyDisk& page = driver.page();
    const int row = driver.rowOf("tone.wav");
    QVERIFY(row >= 0);
    const std::string id = page.model().rowAt(row)->id;

    page.openRow(row);
    QPointer<PreviewWindow> window = page.preview(id);
    QVERIFY(window);
    QCOMPARE(window->shown(), PreviewWindow::Shown::kMedia);
    QMediaPlayer* player = window->mediaPanel()->player();
    const QUrl source = player->source();
    QCOMPARE(source.host(), QStringLiteral("127.0.0.1"));

    const auto loaded = [&] {
        const auto status = player->mediaStatus();
        return status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferingMedia ||
               status == QMediaPlayer::BufferedMedia;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(loaded() || player->error() != QMediaPlayer::NoError,
                              qPrintable(player->errorString()), 30000);
    QVERIFY2(player->error() == QMediaPlayer::NoError, qPrintable(player->errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(player->duration() > 0, 30000);
    QVERIFY2(std::abs(player->duration() - kSeconds * 1000) < 100,
             qPrintable(QString::number(player->duration())));
    ClientHarness::screenshot(window, QStringLiteral("preview_media.png"));

    // A seek three quarters in: the bytes there are asked of the file server.
    const long long landing = kHeaderBytes + 15LL * kRate * 2;
    const auto reachedLanding = [&] {
        for (const long long offset : restOffsets(driver.harness()))
            if (offset >= landing - kRate * 2 && offset <= landing + kRate * 2)
                return true;
        return false;
    };
    QVERIFY(!reachedLanding());
    QVERIFY(player->isSeekable());
    player->setPosition(15000);
    QTRY_VERIFY_WITH_TIMEOUT(reachedLanding(), 30000);

    // Closing the window ends the stream: its address takes no more connections.
    window->close();
    QTRY_VERIFY(window.isNull());
    QTcpSocket probe;
    probe.connectToHost(source.host(), quint16(source.port()));
    QVERIFY(!probe.waitForConnected(5000));

    // Leaving with a player open: its stream ends before the transfers it reads through.
    page.openRow(row);
    QVERIFY(page.preview(id));
    player = page.preview(id)->mediaPanel()->player();
    QTRY_VERIFY_WITH_TIMEOUT(player->duration() > 0, 30000);
    driver.harness().endClient();
}

NUBEXA_QTEST(PreviewMediaTest)
#include "preview_media_test.moc"
