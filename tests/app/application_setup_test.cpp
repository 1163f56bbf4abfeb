// What the program sets up before its first window: titles without an appended program name,
// Qt's own texts (pickers, standard buttons) in Chinese unless the locale has its own, and
// pickers that open at home, then where the last pick was.
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <optional>

#include "app/application_setup.h"
#include "app/qt_platform.h"
#include "support/qt_test_main.h"

using nubexa::app::installQtTranslations;

class ApplicationSetupTest : public QObject {
    Q_OBJECT
private slots:
    void titlesAreNotExtended();
    void qtTextsFollowTheLocaleElseChinese();
    void pickersOpenAtHomeThenWhereTheLastPickWas();
};

void ApplicationSetupTest::titlesAreNotExtended() {
    nubexa::app::setUpApplication(*QCoreApplication::instance());
    // X11 appends a display name of its own to every title ("... — Nubexa网盘"); without one
    // the name falls back to the application name and nothing is appended.
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("nubexa-client"));
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("nubexa-client"));
    QVERIFY(!QApplication::quitOnLastWindowClosed());
}

void ApplicationSetupTest::qtTextsFollowTheLocaleElseChinese() {
    auto& application = *QCoreApplication::instance();
    // The C locale has no translation of its own: Chinese, as the rest of the program.
    QCOMPARE(installQtTranslations(application, QLocale::c()), QStringLiteral("qtbase_zh_CN"));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    QVERIFY(QCoreApplication::translate("QFileDialog", "Look in:") != QStringLiteral("Look in:"));

    // A locale with its own translation gets it.
    QCOMPARE(installQtTranslations(application, QLocale(QLocale::French, QLocale::France)),
             QStringLiteral("qtbase_fr"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuler"));
    // No files at all: nothing installed, and no failure.
    QVERIFY(
        installQtTranslations(application, QLocale::c(), QStringLiteral("/nonexistent")).isEmpty());
}

namespace {

// Answers the next file dialog from inside its own loop: notes the folder it opened in, then
// chooses `path` (an empty path cancels). Gives up after a while, so a dialog never waits.
void answerNextDialog(QString& openedIn, const QString& path) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, &openedIn, path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog && ++*tries < 200)
            return;
        timer->deleteLater();
        if (!dialog)
            return;
        openedIn = dialog->directory().absolutePath();
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        if (QFileInfo(path).isDir())
            dialog->setDirectory(path);  // a folder dialog takes the folder it shows
        else
            dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();  // public as QDialog's
    });
    timer->start(25);
}

}  // namespace

void ApplicationSetupTest::pickersOpenAtHomeThenWhereTheLastPickWas() {
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    QDir(home.path()).mkpath(QStringLiteral("photos"));
    QDir(home.path()).mkpath(QStringLiteral("backup"));
    QFile file(home.filePath(QStringLiteral("photos/a.jpg")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    nubexa::app::QtPicker picker;
    QString openedIn;
    answerNextDialog(openedIn, file.fileName());
    QCOMPARE(picker.pickFile("title"), std::optional<std::string>(file.fileName().toStdString()));
    QCOMPARE(openedIn, QDir(home.path()).absolutePath());

    answerNextDialog(openedIn, home.filePath(QStringLiteral("backup")));
    QVERIFY(picker.pickFolder("title").has_value());
    QCOMPARE(openedIn, QDir(home.filePath(QStringLiteral("photos"))).absolutePath());

    // Cancelled: the last pick stays the start.
    answerNextDialog(openedIn, {});
    QCOMPARE(picker.pickFile("title"), std::nullopt);
    QCOMPARE(openedIn, QDir(home.filePath(QStringLiteral("backup"))).absolutePath());

    // A folder that went is no start.
    QVERIFY(QDir(home.filePath(QStringLiteral("backup"))).removeRecursively());
    QCOMPARE(picker.startFolder(), QDir::homePath());
    qputenv("HOME", savedHome);
}

NUBEXA_QTEST(ApplicationSetupTest)
#include "application_setup_test.moc"
