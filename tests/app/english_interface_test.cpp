// The client in English: which language a desktop gets, and the sign-in window, the main window
// (disk page, extras) and the settings dialog built under the English catalog show no Chinese
// of their own.
#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAccessible>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTableView>
#include <QTest>
#include <QTranslator>

#include <functional>

#include "app/app_menus.h"
#include "app/core_texts.h"
#include "app/image_button.h"
#include "app/main_frame.h"
#include "app/main_window_extras.h"
#include "app/main_wnd.h"
#include "app/picture_cache.h"
#include "app/sign_in_window.h"
#include "app/system_set_dlg.h"
#include "app/ui_language.h"
#include "client_harness.h"
#include "pages/disk_list_model.h"
#include "pages/transfer_list_model.h"
#include "pages/transfer_page.h"
#include "pages/transfer_words.h"
#include "pages/x_page_my_disk.h"
#include "picture_catalog.h"
#include "support/qt_test_main.h"
#include "transfer/queue_entries.h"

using namespace nubexa;
using namespace nubexa::app;
using nubexa::test::ClientHarness;

namespace {

const QRegularExpression kChinese(
    QStringLiteral("[\\x{3000}-\\x{303f}\\x{3400}-\\x{9fff}\\x{ff00}-"
                   "\\x{ffef}]"));

// What a visible widget under `top` says in Chinese: its texts, tool tips, accessible names, and
// a list's column titles; each as "what: text". A widget named in `userData` shows the service's
// or the user's own words and is left out.
QStringList chineseTexts(QWidget* top, const QStringList& userData) {
    QStringList found;
    const auto check = [&](const QWidget* widget, const QString& text) {
        if (text.contains(kChinese))
            found << QStringLiteral("%1 \"%2\": %3")
                         .arg(QString::fromLatin1(widget->metaObject()->className()),
                              widget->accessibleName(), text);
    };
    QList<QWidget*> widgets = top->findChildren<QWidget*>();
    widgets.prepend(top);
    for (QWidget* widget : widgets) {
        if (!widget->isVisible() || userData.contains(widget->accessibleName()))
            continue;
        check(widget, widget->windowTitle());
        check(widget, widget->toolTip());
        check(widget, widget->accessibleName());
        if (auto* label = qobject_cast<QLabel*>(widget))
            check(widget, label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            check(widget, button->text());
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            check(widget, edit->text());
            check(widget, edit->placeholderText());
        }
        if (auto* box = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < box->count(); ++i)
                check(widget, box->itemText(i));
        }
        if (auto* list = qobject_cast<QTableView*>(widget); list && list->model()) {
            for (int column = 0; column < list->model()->columnCount(); ++column)
                check(widget, list->model()->headerData(column, Qt::Horizontal).toString());
        }
    }
    return found;
}

// The controls under `top` a screen reader reaches but cannot name: every visible, focusable
// element of the accessible tree needs a name (a list's cells are named by their text).
QStringList unnamedFocusable(QWidget* top) {
    QStringList found;
    std::function<void(QAccessibleInterface*, const QString&)> walk =
        [&](QAccessibleInterface* node, const QString& path) {
            if (!node || !node->isValid())
                return;
            const QAccessible::State state = node->state();
            if (state.invisible || state.offscreen)
                return;
            const QString where =
                path + QLatin1Char('/') + QString::number(static_cast<int>(node->role()), 16);
            if (state.focusable && node->text(QAccessible::Name).trimmed().isEmpty())
                found << where + QStringLiteral(" (") +
                             QString::fromLatin1(node->object()
                                                     ? node->object()->metaObject()->className()
                                                     : "cell") +
                             QLatin1Char(')');
            // A list's rows are its model's; their cells are named by their text.
            if (node->role() == QAccessible::Table)
                return;
            for (int i = 0; i < node->childCount(); ++i)
                walk(node->child(i), where);
        };
    walk(QAccessible::queryAccessibleInterface(top), QString());
    return found;
}

// The visible labels and buttons under `top` whose one-line text is wider than their place.
QStringList clippedTexts(QWidget* top) {
    QStringList found;
    for (QWidget* widget : top->findChildren<QWidget*>()) {
        if (!widget->isVisible())
            continue;
        int needed = 0;
        int room = 0;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(widget);
            label && !label->wordWrap() && !label->text().isEmpty() &&
            !label->text().contains(QLatin1Char('<')) && label->pixmap().isNull()) {
            text = label->text();
            needed = label->fontMetrics().horizontalAdvance(text.split(QLatin1Char('\n')).front());
            room = label->contentsRect().width() - 2 * label->margin() - label->indent();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget);
                   button && !button->text().isEmpty() && !qobject_cast<ImageButton*>(widget)) {
            text = button->text();
            needed = button->sizeHint().width();
            room = button->width();
        }
        // Wider than its place, or running out of its parent (a fixed-size dialog).
        const int parentRoom = widget->parentWidget()->width() - widget->x();
        if (needed > room || std::min(needed, widget->width()) > parentRoom)
            found << QStringLiteral("%1 \"%2\" needs %3, has %4")
                         .arg(QString::fromLatin1(widget->metaObject()->className()), text)
                         .arg(needed)
                         .arg(room);
    }
    return found;
}

// A language 40 % longer than English, to find the places that would cut a longer one: each
// English text with as much again of padding. Installed last, it is asked first.
class PseudoTranslator : public QTranslator {
public:
    explicit PseudoTranslator(const QTranslator& english) : m_english(english) {}
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override {
        QString text = m_english.translate(context, source, disambiguation, n);
        if (text.isEmpty())
            return text;
        const int extra = (text.size() * 4 + 9) / 10;
        return QLatin1Char('[') + text + QString(std::max(extra - 2, 0), QChar(0x00B7)) +
               QLatin1Char(']');
    }

private:
    const QTranslator& m_english;
};

}  // namespace

class EnglishInterfaceTest : public QObject {
    Q_OBJECT
private slots:
    void languageFollowsTheChoiceElseTheDesktop();
    void windowsShowNoChinese();
    void aLanguageFortyPercentLongerIsCutNowhere();
    void theCoresComposedTextsAreSaidInEnglish();
};

void EnglishInterfaceTest::languageFollowsTheChoiceElseTheDesktop() {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    const QLocale taiwan(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan);
    const QLocale german(QLocale::German, QLocale::Germany);
    QVERIFY(!showsEnglish(UiLanguage::kSystem, chinese));
    QVERIFY(!showsEnglish(UiLanguage::kSystem, taiwan));
    QVERIFY(showsEnglish(UiLanguage::kSystem, german));
    QVERIFY(showsEnglish(UiLanguage::kSystem, QLocale::c()));
    QVERIFY(showsEnglish(UiLanguage::kEnglish, chinese));
    QVERIFY(!showsEnglish(UiLanguage::kChinese, german));
}

void EnglishInterfaceTest::windowsShowNoChinese() {
    // Installed once for the rest of this process: the windows below are built in English.
    QVERIFY(installInterfaceLanguage(*QCoreApplication::instance(), UiLanguage::kSystem,
                                     QLocale(QLocale::English, QLocale::UnitedStates)));

    ClientHarness harness;
    pages::CXPageMyDisk::installInto(harness.client());
    MainWindowExtras* extras = MainWindowExtras::installInto(harness.client());
    QVERIFY(harness.openSignInWindow());
    SignInWindow* signIn = harness.signInWindow();
    QCOMPARE(signIn->windowTitle(), QStringLiteral("Nubexa Cloud Disk for PC - Sign In"));
    QCOMPARE(signIn->accountEdit()->placeholderText(), QStringLiteral("ID, nickname or e-mail"));
    const QStringList signInChinese = chineseTexts(signIn, {});
    QVERIFY2(signInChinese.isEmpty(), qPrintable(signInChinese.join(QLatin1Char('\n'))));
    ClientHarness::screenshot(signIn, QStringLiteral("sign-in-window-en.png"));
    QCOMPARE(unnamedFocusable(signIn), QStringList());

    // The English placeholder still counts as an empty field, not as an account name.
    QTest::mouseClick(signIn->childAt(sign_in_rects::kSignIn.center()), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!harness.notifier().texts().empty(), ClientHarness::kWaitMs);
    QCOMPARE(harness.notifier().texts().front(), std::string("请输入用户名"));

    QVERIFY(harness.signIn());
    MainFrame* frame = harness.mainFrame();
    QVERIFY(frame);
    auto* page = qobject_cast<pages::CXPageMyDisk*>(frame->pages());
    QVERIFY(page);
    QTRY_VERIFY_WITH_TIMEOUT(page->model().rowCount() > 0, ClientHarness::kWaitMs);
    // The nickname and the service's notices are the account's and the service's own words; the
    // list's rows (file names) are not read, its column titles are.
    const QStringList mainChinese =
        chineseTexts(frame, {QStringLiteral("Nickname"), QStringLiteral("Announcement")});
    QVERIFY2(mainChinese.isEmpty(), qPrintable(mainChinese.join(QLatin1Char('\n'))));
    ClientHarness::screenshot(frame, QStringLiteral("main-window-en.png"));
    // Pictures with words come from the English twins; the others from the one folder.
    const QString images =
        QString::fromStdString(harness.programFolder()) + QStringLiteral("image/");
    PictureCache cache(images, pictureWordsFolder());
    const QString myFiles = QString::fromLatin1(pictures::kNavButtons[0].leave.path);
    const QImage shown = cache.picture(myFiles).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(
        shown,
        QImage(images + QStringLiteral("en/") + myFiles).convertToFormat(QImage::Format_ARGB32));
    QVERIFY(shown != QImage(images + myFiles).convertToFormat(QImage::Format_ARGB32));
    QVERIFY(!cache.picture(QString::fromLatin1(pictures::kSkinDefault.path)).isNull());
    QCOMPARE(unnamedFocusable(frame), QStringList());
    frame->showUploadingPage();
    QCOMPARE(unnamedFocusable(frame), QStringList());
    // The state column holds the longest English state whole.
    const QTableView* transfers = page->transfers().list();
    for (const QString& word : pages::transferStateWords())
        QVERIFY2(transfers->fontMetrics().horizontalAdvance(word) <
                     transfers->columnWidth(pages::TransferListModel::kState),
                 qPrintable(word));
    const QStringList uploadingChinese =
        chineseTexts(frame, {QStringLiteral("Nickname"), QStringLiteral("Announcement")});
    QVERIFY2(uploadingChinese.isEmpty(), qPrintable(uploadingChinese.join(QLatin1Char('\n'))));
    // The core's words for a row (its state, why it waits, the time left) are said in English;
    // a failure in the service's own words is shown as it came.
    QCOMPARE(pages::transferWords("排队中"), QStringLiteral("Queued"));
    QCOMPARE(pages::transferWords("剩余 1:02:03"), QStringLiteral("1:02:03 left"));
    QCOMPARE(pages::transferWords("文件不存在"), QStringLiteral("文件不存在"));
    QCOMPARE(pages::totalsLine({2, 2048, 12}, Direction::kDownload),
             QStringLiteral("2 files, 2.00 KB left, 12 KB/S"));
    // A picture button says nothing to a screen reader but its accessible name.
    for (const ImageButton* button : frame->findChildren<ImageButton*>()) {
        if (button->isVisible())
            QVERIFY2(!button->accessibleName().isEmpty(),
                     qPrintable(QStringLiteral("unnamed picture button at %1,%2")
                                    .arg(button->x())
                                    .arg(button->y())));
    }

    // The settings dialog; its language list names Chinese in Chinese too, on purpose.
    harness.client().menuChosen(kSettings, false);
    QTRY_VERIFY_WITH_TIMEOUT(extras->settingsDialog() && extras->settingsDialog()->isVisible(),
                             ClientHarness::kWaitMs);
    CSystemSetDlg* settings = extras->settingsDialog();
    const QStringList settingsChinese =
        chineseTexts(settings, {settings->languageBox()->accessibleName()});
    QVERIFY2(settingsChinese.isEmpty(), qPrintable(settingsChinese.join(QLatin1Char('\n'))));
    ClientHarness::screenshot(settings, QStringLiteral("settings-dialog-en.png"));
    QCOMPARE(unnamedFocusable(settings), QStringList());
}

void EnglishInterfaceTest::aLanguageFortyPercentLongerIsCutNowhere() {
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/nubexa_en.qm")));
    PseudoTranslator longer(english);
    QVERIFY(QCoreApplication::installTranslator(&longer));
    const auto cleanup = qScopeGuard([&] { QCoreApplication::removeTranslator(&longer); });

    ClientHarness harness;
    pages::CXPageMyDisk::installInto(harness.client());
    MainWindowExtras* extras = MainWindowExtras::installInto(harness.client());
    QVERIFY(harness.openSignInWindow());
    QStringList cut = clippedTexts(harness.signInWindow());
    QVERIFY(harness.signIn());
    MainFrame* frame = harness.mainFrame();
    auto* page = qobject_cast<pages::CXPageMyDisk*>(frame->pages());
    QTRY_VERIFY_WITH_TIMEOUT(page->model().rowCount() > 0, ClientHarness::kWaitMs);
    cut << clippedTexts(frame);
    frame->showUploadingPage();
    cut << clippedTexts(frame);
    harness.client().menuChosen(kSettings, false);
    QTRY_VERIFY_WITH_TIMEOUT(extras->settingsDialog() && extras->settingsDialog()->isVisible(),
                             ClientHarness::kWaitMs);
    cut << clippedTexts(extras->settingsDialog());
    ClientHarness::screenshot(extras->settingsDialog(), QStringLiteral("settings-dialog-long.png"));
    ClientHarness::screenshot(frame, QStringLiteral("main-window-long.png"));
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
}

// What the transfer queue and the file server runs compose around counts and names reaches a
// message box or a notification in English; the data stays exactly as it was, "%2" in a name
// included, and a text of the service's own stays as it came.
void EnglishInterfaceTest::theCoresComposedTextsAreSaidInEnglish() {
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/nubexa_en.qm")));
    QVERIFY(QCoreApplication::installTranslator(&english));
    const auto cleanup = qScopeGuard([&] { QCoreApplication::removeTranslator(&english); });
    const std::string name = "照片（1）%2 3:4.jpg";
    const struct {
        std::string core;
        QString english;
    } cases[] = {
        {renamedNamesText(3), QStringLiteral("3 file name(s) held characters the disk does not "
                                             "allow; they were replaced by full-width ones")},
        {skippedEntriesText(12), QStringLiteral("12 item(s) that cannot be uploaded were skipped")},
        {"(" + name + "）单文件大小超过你当前等级限制",
         QString::fromStdString(name) + QStringLiteral(" is larger than your level allows for "
                                                       "one file")},
        {"(" + name + "）名称无效",
         QString::fromStdString(name) + QStringLiteral(": not a valid name")},
        {"(a:b）的文件名无法在本地使用，已保存为：a：b",
         QStringLiteral("The name a:b cannot be used here; it was saved as: a") + QChar(0xFF1A) +
             QLatin1Char('b')},
        {"磁盘空间不足：/home/用户 2",
         QStringLiteral("No space left on the disk of /home/") + QString::fromStdString("用户 2")},
        {"服务器在 100 字节处结束了文件，列出的大小为 4294967296 字节",
         QStringLiteral("The server ended the file at byte 100; its listed size is 4294967296 "
                        "bytes")},
        {kPickFolderTitle, QStringLiteral("Choose the folder to upload")},
        {"文件不存在", QString::fromStdString("文件不存在")},  // untranslated: the service's words
    };
    for (const auto& [core, expected] : cases)
        QCOMPARE(coreText(core), expected);
}

NUBEXA_QTEST(EnglishInterfaceTest)
#include "english_interface_test.moc"
