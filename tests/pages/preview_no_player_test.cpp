// A machine without a multimedia back end: a sound file opens in the preview window as a file
// that cannot be played, with a sentence saying why, and still offers its download.
#include <QTest>
#include <QToolButton>

#include "app/main_wnd.h"
#include "page_driver.h"
#include "pages/disk_list_model.h"
#include "pages/preview_window.h"
#include "session/client_session.h"
#include "support/qt_test_main.h"

using namespace nubexa;
using namespace nubexa::pages;
using nubexa::test::PageDriver;

class PreviewNoPlayerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // Read once, when this process first needs a player: no back end by that name exists.
        qputenv("QT_MEDIA_BACKEND", "none");
    }

    void aSoundFileShowsAsOneThatCannotBePlayed() {
        PageDriver driver;
        QVERIFY(driver.ready());
        QVERIFY(driver.uploadHere({{"song.mp3", QByteArray(4096, 'm')}}));
        CXPageMyDisk& page = driver.page();
        const int row = driver.rowOf("song.mp3");
        QVERIFY(row >= 0);

        page.openRow(row);
        PreviewWindow* window = page.preview(page.model().rowAt(row)->id);
        QVERIFY(window);
        QCOMPARE(window->shown(), PreviewWindow::Shown::kOther);
        QVERIFY(!window->mediaPanel());
        QVERIFY2(window->note().contains(QStringLiteral("播放")), qPrintable(window->note()));
        bool download = false;
        for (QToolButton* button : window->findChildren<QToolButton*>())
            download |= button->accessibleName() == QStringLiteral("下载此文件") &&
                        button->isVisible() && button->isEnabled();
        QVERIFY(download);
        nubexa::test::ClientHarness::screenshot(window, QStringLiteral("preview_no_player.png"));
    }
};

NUBEXA_QTEST(PreviewNoPlayerTest)
#include "preview_no_player_test.moc"
