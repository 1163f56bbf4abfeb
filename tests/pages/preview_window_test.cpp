// The preview window against the stand-in: pictures fetched and walked in the folder's order,
// zoomed by keys; a picture bomb refused before decoding; texts in UTF-8, GB18030, UTF-16 and
// the encodings uchardet recognises read right and a long one said to be cut; a file server that
// stops while a file comes ends in a message, not a wait.
#include <QBuffer>
#include <QImage>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "app/main_wnd.h"
#include "declared_png.h"
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
using nubexa::test::declaredPng;
using nubexa::test::kMiB;
using nubexa::test::PageDriver;

namespace {

QByteArray pictureBytes(QSize size, QColor color, const char* format) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
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
    void textEncodingsAreRecognised_data();
    void textEncodingsAreRecognised();
    void aFileServerThatStopsEndsInAMessage();
};

void PreviewWindowTest::picturesAreShownWalkedAndZoomedAndABombIsRefused() {
    PageDriver driver;
    QVERIFY(driver.ready());
    QVERIFY(driver.uploadHere({{"red.png", pictureBytes({400, 300}, Qt::red, "PNG")},
                               {"green.png", pictureBytes({50, 20}, Qt::green, "PNG")},
                               {"blue.bmp", pictureBytes({30, 30}, Qt::blue, "BMP")},
                               {"bomb.png", declaredPng(60000, 60000)}}));
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
    QVERIFY(driver.harness()
                .client()
                .session()
                .disk()
                .encrypt({utf8Id, false}, "4321", "tip")
                .accepted());
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

void PreviewWindowTest::textEncodingsAreRecognised_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("cut");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<bool>("damaged");
    QTest::newRow("Latin-1 French")
        << QByteArray(
               "\xc0\x20\x6c\x61\x20\x66\x69\x6e\x20\x64\x65\x20\x6c\x27\xe9\x74\xe9\x2c\x20\x6c"
               "\x65\x20\x67\x61\x72\xe7\x6f\x6e\x20\x72\xe9\x66\x6c\xe9\x63\x68\x69\x74\x20\x70"
               "\x72\xe8\x73\x20\x64\x65\x20\x6c\x61\x20\x66\x65\x6e\xea\x74\x72\x65\x20\x3a\x20"
               "\x6f\xf9\x20\xe9\x74\x61\x69\x65\x6e\x74\x20\x70\x61\x73\x73\xe9\x65\x73\x20\x6c"
               "\x65\x73\x20\x63\x72\xea\x70\x65\x73\x20\x3f\x20\x44\xe9\x6a\xe0\x20\x4e\x6f\xeb"
               "\x6c\x20\x61\x70\x70\x72\x6f\x63\x68\x61\x69\x74\x2e",
               113)
        << false
        << QStringLiteral(
               "À la fin de l'été, le garçon réfléchit près de la fenêtre : où étaient passées les "
               "crêpes ? Déjà Noël approchait.")
        << QByteArray("ISO-8859-1") << false;
    QTest::newRow("Shift-JIS")
        << QByteArray(
               "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x4c\x83\x58\x83\x67\x82\xc5\x82\xb7"
               "\x81\x42\x8d\xa1\x93\xfa\x82\xcd\x82\xc6\x82\xc4\x82\xe0\x97\xc7\x82\xa2\x93\x56"
               "\x8b\x43\x82\xc5\x82\xb7\x82\xcb\x81\x42\x96\xbe\x93\xfa\x82\xcd\x89\x4a\x82\xaa"
               "\x8d\x7e\x82\xe9\x82\xa9\x82\xe0\x82\xb5\x82\xea\x82\xdc\x82\xb9\x82\xf1\x81\x42",
               80)
        << false
        << QStringLiteral(
               "日本語のテキストです。今日はとても良い天気ですね。明日は雨が降るかもしれません。")
        << QByteArray("SHIFT_JIS") << false;
    QTest::newRow("Big5")
        << QByteArray(
               "\xb3\x6f\xac\x4f\xa4\x40\xad\xd3\xc1\x63\xc5\xe9\xa4\xa4\xa4\xe5\xaa\xba\xa4\xe5"
               "\xa6\x72\xc0\xc9\xae\xd7\xa1\x43\xa4\xb5\xa4\xd1\xa4\xd1\xae\xf0\xab\xdc\xa6\x6e"
               "\xa1\x41\xa7\xda\xad\xcc\xa4\x40\xb0\x5f\xa5\x68\xa4\xbd\xb6\xe9\xb4\xb2\xa8\x42"
               "\xa7\x61\xa1\x43",
               64)
        << false
        << QStringLiteral("這是一個繁體中文的文字檔案。今天天氣很好，我們一起去公園散步吧。")
        << QByteArray("BIG5") << false;
    QTest::newRow("GB18030")
        << QByteArray(
               "\xd5\xe2\xca\xc7\xd2\xbb\xb8\xf6\xbc\xf2\xcc\xe5\xd6\xd0\xce\xc4\xb5\xc4\xce\xc4"
               "\xb1\xbe\xce\xc4\xbc\xfe\xa1\xa3\xbd\xf1\xcc\xec\xcc\xec\xc6\xf8\xba\xdc\xba\xc3"
               "\xa3\xac\xce\xd2\xc3\xc7\xd2\xbb\xc6\xf0\xc8\xa5\xb9\xab\xd4\xb0\xc9\xa2\xb2\xbd"
               "\xb0\xc9\xa1\xa3",
               64)
        << false
        << QStringLiteral("这是一个简体中文的文本文件。今天天气很好，我们一起去公园散步吧。")
        << QByteArray("GB18030") << false;
    // The file goes on: the character cut in two is left out, not taken for bad bytes.
    QTest::newRow("UTF-8 cut mid-character")
        << QByteArray("\xe4\xb8\xad\xe6\x96\x87\xe6\x96\x87\xe6\x9c", 11) << true
        << QStringLiteral("中文文") << QByteArray("UTF-8") << false;
    // Not cut, the same bytes are damaged UTF-8, not Chinese nonsense from GB18030.
    QTest::newRow("UTF-8 ending mid-character")
        << QByteArray("\xe4\xb8\xad\xe6\x96\x87\xe6\x96\x87\xe6\x9c", 11) << false
        << QStringLiteral("中文文\uFFFD\uFFFD") << QByteArray("UTF-8") << true;
}

void PreviewWindowTest::textEncodingsAreRecognised() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, cut);
    QFETCH(QString, text);
    QFETCH(QByteArray, encoding);
    QFETCH(bool, damaged);
    const PreviewText shown = decodePreviewText(bytes, cut);
    QCOMPARE(shown.text, text);
    QCOMPARE(shown.encoding, encoding);
    QCOMPARE(shown.damaged, damaged);
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
