// The preview window against the stand-in: pictures fetched and walked in the folder's order,
// zoomed by keys; a picture bomb refused before decoding; texts in UTF-8, GB18030 and UTF-16
// read right and a long one said to be cut; a file server that stops while a file comes ends
// in a message, not a wait.
#include <QBuffer>
#include <QImage>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "app/main_wnd.h"
#include "page_driver.h"
#include "pages/disk_list_model.h"
#include "pages/password_dialogs.h"
#include "pages/preview_picture_view.h"
#include "pages/preview_text.h"
#include "pages/preview_window.h"
#include "pages/share_dialogs.h"
#include "session/client_session.h"
#include "support/qt_test_main.h"

using namespace nubexa;
using namespace nubexa::pages;
using nubexa::test::ClientHarness;
using nubexa::test::PageDriver;

namespace {

constexpr int kMiB = 1024 * 1024;

QByteArray pictureBytes(QSize size, QColor color, const char* format) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

quint32 crc32Of(const QByteArray& bytes) {
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG whose header declares 60000 × 60000 pixels (a well-formed header, its checksum right)
// and which holds a few bytes of them.
QByteArray bombBytes() {
    auto bigEndian = [](quint32 value) {
        QByteArray bytes;
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.append(char((value >> shift) & 0xff));
        return bytes;
    };
    auto chunk = [&](const char* type, const QByteArray& data) {
        const QByteArray typed = QByteArray(type) + data;
        return bigEndian(quint32(data.size())) + typed + bigEndian(crc32Of(typed));
    };
    const QByteArray header =
        bigEndian(60000) + bigEndian(60000) + QByteArray("\x08\x02\x00\x00\x00", 5);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
           chunk("IDAT", QByteArray("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9)) + chunk("IEND", {});
}

PreviewWindow* openByDoubleClick(PageDriver& driver, const std::string& name) {
    const int row = driver.rowOf(name);
    if (row < 0)
        return nullptr;
    driver.page().openRow(row);
    const std::string id = driver.page().model().rowAt(row)->id;
    return driver.page().preview(id);
}

bool settled(PreviewWindow* window) {
    return QTest::qWaitFor([window] { return window->shown() != PreviewWindow::Shown::kLoading; },
                           ClientHarness::kWaitMs);
}

QString fileName(const PreviewWindow& window) {
    return QString::fromStdString(window.file().name + window.file().ext);
}

}  // namespace

class PreviewWindowTest : public QObject {
    Q_OBJECT
private slots:
    void picturesAreShownWalkedAndZoomedAndABombIsRefused();
    void textsAreDecodedAndALongOneIsCut();
    void aFileServerThatStopsEndsInAMessage();
};

void PreviewWindowTest::picturesAreShownWalkedAndZoomedAndABombIsRefused() {
    PageDriver driver;
    QVERIFY(driver.ready());
    QVERIFY(driver.uploadHere({{"red.png", pictureBytes({400, 300}, Qt::red, "PNG")},
                               {"green.png", pictureBytes({50, 20}, Qt::green, "PNG")},
                               {"blue.bmp", pictureBytes({30, 30}, Qt::blue, "BMP")},
                               {"bomb.png", bombBytes()}}));
    std::vector<QString> pictures;  // in the page's order
    for (const std::string& name : driver.names())
        if (name == "red.png" || name == "green.png" || name == "blue.bmp" || name == "bomb.png")
            pictures.push_back(QString::fromStdString(name));
    QCOMPARE(pictures.size(), std::size_t{4});

    // Fitted to a window smaller than the picture; the keys zoom in, to 100 % and back to fit.
    PreviewWindow* red = openByDoubleClick(driver, "red.png");
    QVERIFY(red);
    QVERIFY(settled(red));
    QCOMPARE(red->shown(), PreviewWindow::Shown::kPicture);
    QCOMPARE(red->picture().size(), QSize(400, 300));
    QCOMPARE(red->picture().pixelColor(10, 10), QColor(Qt::red));
    red->resize(320, 280);
    QTRY_VERIFY(red->pictureView()->zoom() < 1.0);
    const double fitted = red->pictureView()->zoom();
    QTest::keyClick(red, Qt::Key_Plus);
    QVERIFY(red->pictureView()->zoom() > fitted);
    QVERIFY(!red->pictureView()->fitted());
    QTest::keyClick(red, Qt::Key_1);
    QCOMPARE(red->pictureView()->zoom(), 1.0);
    QTest::keyClick(red, Qt::Key_0);
    QCOMPARE(red->pictureView()->zoom(), fitted);
    ClientHarness::screenshot(red, QStringLiteral("preview_picture.png"));
    // Opened again: the same window.
    QCOMPARE(openByDoubleClick(driver, "red.png"), red);
    red->close();

    // The space bar on the selected row opens it, as a double-click does.
    QTableView* list = driver.page().list();
    const int first = driver.rowOf(pictures.front().toStdString());
    list->setFocus();
    list->setCurrentIndex(driver.page().model().index(first, 0));
    QTest::keyClick(list, Qt::Key_Space);
    PreviewWindow* window = driver.page().preview(driver.page().model().rowAt(first)->id);
    QVERIFY(window);

    // The arrows walk the folder's pictures in the page's order, both ways.
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (i > 0)
            QTest::keyClick(window, Qt::Key_Right);
        QCOMPARE(fileName(*window), pictures[i]);
        QVERIFY(settled(window));
        if (pictures[i] == QStringLiteral("bomb.png")) {
            // Refused by its declared size, with a message: nothing was decoded.
            QCOMPARE(window->shown(), PreviewWindow::Shown::kProblem);
            QVERIFY2(window->note().contains(QStringLiteral("60000")), qPrintable(window->note()));
            ClientHarness::screenshot(window, QStringLiteral("preview_bomb.png"));
        } else {
            QCOMPARE(window->shown(), PreviewWindow::Shown::kPicture);
        }
        if (pictures[i] == QStringLiteral("green.png"))
            QCOMPARE(window->picture().pixelColor(1, 1), QColor(Qt::green));
    }
    QTest::keyClick(window, Qt::Key_Right);  // at the end: stays
    QCOMPARE(fileName(*window), pictures.back());
    for (std::size_t i = pictures.size() - 1; i > 0; --i) {
        QTest::keyClick(window, Qt::Key_Left);
        QCOMPARE(fileName(*window), pictures[i - 1]);
    }
    QVERIFY(settled(window));

    // Esc closes it.
    QPointer<PreviewWindow> open = window;
    QTest::keyClick(window, Qt::Key_Escape);
    QTRY_VERIFY(open.isNull());
}

void PreviewWindowTest::textsAreDecodedAndALongOneIsCut() {
    PageDriver driver;
    QVERIFY(driver.ready());
    const QString chinese = QStringLiteral("中文文本");
    QByteArray utf16("\xff\xfe", 2);
    for (const QChar c : chinese) {
        utf16.append(char(c.unicode() & 0xff));
        utf16.append(char(c.unicode() >> 8));
    }
    QByteArray longText;
    for (int i = 0; i < 100000; ++i)
        longText.append("\xe6\xb1\x89");  // 汉: the 256 KiB mark falls inside one
    QVERIFY(driver.uploadHere({{"utf8.txt", QByteArray("UTF-8: 中文文本 ✓\n")},
                               {"gb.txt", QByteArray("GB: \xd6\xd0\xce\xc4\xce\xc4\xb1\xbe\n")},
                               {"utf16.txt", utf16},
                               {"long.txt", longText}}));

    struct Case {
        const char* name;
        QString text;
        QByteArray encoding;
    };
    const Case cases[] = {
        {"utf8.txt", QStringLiteral("UTF-8: 中文文本 ✓\n"), "UTF-8"},
        {"gb.txt", QStringLiteral("GB: 中文文本\n"), "GB18030"},
        {"utf16.txt", chinese, "UTF-16LE"},
    };
    for (const Case& c : cases) {
        PreviewWindow* window = openByDoubleClick(driver, c.name);
        QVERIFY(window);
        QVERIFY(settled(window));
        QCOMPARE(window->shown(), PreviewWindow::Shown::kText);
        QCOMPARE(window->text(), c.text);
        QCOMPARE(window->textEncoding(), c.encoding);
        QVERIFY(!window->textCut());
        // The picture keys are off: the arrows move in the text.
        auto* view = window->findChild<QPlainTextEdit*>();
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Right);
        QCOMPARE(view->textCursor().position(), 1);
        if (c.encoding == "GB18030")
            ClientHarness::screenshot(window, QStringLiteral("preview_text.png"));
        window->close();
    }

    // A protected file asks for its password first; a wrong one opens nothing.
    const std::string utf8Id = driver.page().model().rowAt(driver.rowOf("utf8.txt"))->id;
    QCOMPARE(driver.harness().client().session().disk().encrypt({utf8Id, false}, "4321", "tip"), 1);
    driver.page().refresh();
    QVERIFY(driver.settle());
    const std::string locked = "utf8.txt[密]";
    driver.page().openRow(driver.rowOf(locked));
    auto* prompt = driver.dialog<PasswordPromptDialog>();
    QVERIFY(prompt);
    QVERIFY(!driver.page().preview(utf8Id));
    prompt->passwordEdit()->setText(QStringLiteral("1111"));
    QVERIFY(driver.click(prompt, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), std::vector<std::string>{"密码错误"});
    QVERIFY(!driver.page().preview(utf8Id));
    prompt->passwordEdit()->setText(QStringLiteral("4321"));
    QVERIFY(driver.click(prompt, QStringLiteral("ok")));
    QTRY_VERIFY(driver.page().preview(utf8Id));
    QVERIFY(settled(driver.page().preview(utf8Id)));
    QCOMPARE(driver.page().preview(utf8Id)->text(), cases[0].text);

    PreviewWindow* window = openByDoubleClick(driver, "long.txt");
    QVERIFY(window);
    QVERIFY(settled(window));
    QCOMPARE(window->shown(), PreviewWindow::Shown::kText);
    QVERIFY(window->textCut());
    QCOMPARE(window->textEncoding(), QByteArray("UTF-8"));
    // Every whole character of the first 256 KiB, and not the one cut in two.
    QCOMPARE(window->text(), QString(int(kMostPreviewTextBytes / 3), QChar(0x6c49)));
    QVERIFY2(window->note().contains(QStringLiteral("256")), qPrintable(window->note()));
    ClientHarness::screenshot(window, QStringLiteral("preview_text_cut.png"));

    // Sharing is the page's own command, on the file shown, whatever row is selected.
    driver.page().list()->selectRow(driver.rowOf("gb.txt"));
    const auto buttons = window->findChildren<QToolButton*>();
    const auto share = std::find_if(buttons.begin(), buttons.end(), [](QToolButton* button) {
        return button->accessibleName() == QStringLiteral("分享此文件");
    });
    QVERIFY(share != buttons.end());
    (*share)->click();
    QVERIFY(driver.dialog<ShareDialog>());
    QCOMPARE(driver.page().selection().name, std::string("long"));
}

void PreviewWindowTest::aFileServerThatStopsEndsInAMessage() {
    // Slow enough that the file is still coming when the server goes.
    PageDriver driver(QStringLiteral("demo"), QStringLiteral("demo123"),
                      [](app::ClientEnvironment& environment) {
                          environment.transfers.ftp.maxBytesPerSecond = kMiB;
                      });
    QVERIFY(driver.ready());
    QByteArray noise(3 * kMiB, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((unsigned(i) * 7919u) >> 3);
    QVERIFY(driver.uploadHere({{"slow.png", noise}}));
    const auto dataConnections = [&driver] {
        return driver.harness().countLogLines("EPSV") + driver.harness().countLogLines("PASV");
    };
    const int before = dataConnections();
    PreviewWindow* window = openByDoubleClick(driver, "slow.png");
    QVERIFY(window);
    QCOMPARE(window->shown(), PreviewWindow::Shown::kLoading);
    // The fetch has its data connection: the file is coming (three seconds of it).
    QTRY_VERIFY_WITH_TIMEOUT(dataConnections() > before, ClientHarness::kWaitMs);
    driver.harness().stopService();
    QTRY_COMPARE_WITH_TIMEOUT(window->shown(), PreviewWindow::Shown::kProblem,
                              ClientHarness::kWaitMs * 2);
    QVERIFY(!window->note().isEmpty());
    ClientHarness::screenshot(window, QStringLiteral("preview_failed.png"));
}

NUBEXA_QTEST(PreviewWindowTest)
#include "preview_window_test.moc"
