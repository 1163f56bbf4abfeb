// What the program sets up before its first window: titles without an appended program name,
// and Qt's own texts (pickers, standard buttons) in Chinese unless the locale has its own.
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>

#include "app/application_setup.h"
#include "support/qt_test_main.h"

using nubexa::app::installQtTranslations;

class ApplicationSetupTest : public QObject {
    Q_OBJECT
private slots:
    void titlesAreNotExtended();
    void qtTextsFollowTheLocaleElseChinese();
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

NUBEXA_QTEST(ApplicationSetupTest)
#include "application_setup_test.moc"
