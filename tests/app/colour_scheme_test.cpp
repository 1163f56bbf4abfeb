// Light and dark: the desktop portal decides and switches the client live, and every text of the
// main window, its pages and the settings dialog stays readable (4.5:1) on what is really drawn
// behind it, in both schemes.
#include <QAbstractButton>
#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

#include "app/app_menus.h"
#include "app/colour_scheme.h"
#include "app/contrast.h"
#include "app/desktop_colour_scheme.h"
#include "app/image_button.h"
#include "app/main_frame.h"
#include "app/main_window_extras.h"
#include "app/main_wnd.h"
#include "app/picture_cache.h"
#include "app/system_set_dlg.h"
#include "client_harness.h"
#include "pages/disk_list_model.h"
#include "pages/x_page_my_disk.h"
#include "picture_catalog.h"
#include "support/qt_test_main.h"
#include "support/temp_dir.h"

using namespace nubexa;
using namespace nubexa::app;
using nubexa::test::ClientHarness;

namespace {

constexpr int kWaitMs = 15000;
constexpr auto kPortalService = "org.freedesktop.portal.Desktop";
constexpr auto kPortalPath = "/org/freedesktop/portal/desktop";
constexpr auto kSettingsInterface = "org.freedesktop.portal.Settings";

// The desktop portal's settings as GNOME's and Plasma's answer them: Read gives the value
// wrapped twice.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    uint colourScheme = 1;

public slots:
    QDBusVariant Read(const QString& group, const QString& key) {
        if (group != QLatin1String("org.freedesktop.appearance") ||
            key != QLatin1String("color-scheme"))
            return QDBusVariant(QVariant::fromValue(QDBusVariant(QString())));
        return QDBusVariant(QVariant::fromValue(QDBusVariant(colourScheme)));
    }
};

// A session bus of this test's own, ended with it.
class PrivateBus {
public:
    bool start() {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1"),
                        QStringLiteral("--address=unix:path=") +
                            QString::fromStdString(m_dir.path()) + QStringLiteral("/bus")});
        if (!m_daemon.waitForStarted(kWaitMs))
            return false;
        QByteArray line;
        QDeadlineTimer deadline(kWaitMs);
        while (!line.contains('\n') && !deadline.hasExpired() && m_daemon.waitForReadyRead(500))
            line += m_daemon.readAllStandardOutput();
        m_address = QString::fromUtf8(line.trimmed());
        return !m_address.isEmpty();
    }
    QDBusConnection connect(const QString& name) {
        m_names << name;
        return QDBusConnection::connectToBus(m_address, name);
    }
    ~PrivateBus() {
        for (const QString& name : m_names)
            QDBusConnection::disconnectFromBus(name);
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(kWaitMs))
            m_daemon.kill();
        m_daemon.waitForFinished(kWaitMs);
    }

private:
    test::TempDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};

void sendSettingChanged(QDBusConnection& bus, uint value) {
    QDBusMessage changed = QDBusMessage::createSignal(QString::fromLatin1(kPortalPath),
                                                      QString::fromLatin1(kSettingsInterface),
                                                      QStringLiteral("SettingChanged"));
    changed << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme")
            << QVariant::fromValue(QDBusVariant(value));
    QVERIFY(bus.send(changed));
}

// How readable a widget's text is as drawn: the strongest contrast between the colour most of
// its rectangle has (what is behind the text) and any of its pixels (the text's full strokes).
double textContrast(const QImage& window, const QRect& where) {
    QHash<QRgb, int> counts;
    const QRect area = where.intersected(window.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[window.pixel(x, y)];
    QRgb behind = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            behind = it.key();
        }
    }
    double strongest = 1.0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        strongest = std::max(strongest, contrastRatio(QColor(behind), QColor(it.key())));
    return strongest;
}

// The visible texts under `top` (labels, buttons other than pictures, a list's header and its
// first rows) that read below 4.5:1 where they are drawn.
QStringList unreadableTexts(QWidget* top, const QStringList& skipped) {
    const QImage window = top->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal ratio = window.devicePixelRatio();
    QStringList found;
    const auto check = [&](QWidget* widget, const QRect& local, const QString& what) {
        const QRect inTop(widget->mapTo(top, local.topLeft()), local.size());
        const QRect pixels(inTop.topLeft() * ratio, inTop.size() * ratio);
        const double contrast = textContrast(window, pixels);
        if (contrast < kReadableContrast)
            found << QStringLiteral("%1 \"%2\": %3:1")
                         .arg(QString::fromLatin1(widget->metaObject()->className()), what)
                         .arg(contrast, 0, 'f', 2);
    };
    for (QWidget* widget : top->findChildren<QWidget*>()) {
        // A dialog owned by the window is a window of its own, checked by itself; a control
        // that is off may read fainter, as everywhere.
        if (!widget->isVisible() || !widget->isEnabled() || widget->window() != top ||
            skipped.contains(widget->accessibleName()))
            continue;
        if (auto* label = qobject_cast<QLabel*>(widget);
            label && !label->text().isEmpty() && label->pixmap().isNull())
            check(label, label->contentsRect(), label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(widget);
            button && !button->text().isEmpty() && !qobject_cast<ImageButton*>(widget))
            check(button, button->rect(), button->text());
        if (auto* list = qobject_cast<QTableView*>(widget); list && list->model()) {
            QHeaderView* header = list->horizontalHeader();
            check(header, header->rect(), QStringLiteral("header"));
            const int column = header->logicalIndexAt(header->width() / 4);
            for (int row = 0; row < std::min(3, list->model()->rowCount()); ++row) {
                const QRect cell = list->visualRect(list->model()->index(row, column));
                check(list->viewport(), cell, QStringLiteral("row %1").arg(row));
            }
        }
    }
    return found;
}

}  // namespace

class ColourSchemeTest : public QObject {
    Q_OBJECT
private slots:
    void thePortalDecidesAndSwitchesLive();
    void everyTextIsReadableInBothSchemes();
    void aFocusedButtonShowsItsFocus();
};

void ColourSchemeTest::thePortalDecidesAndSwitchesLive() {
    // Portal values as the desktops send them.
    QCOMPARE(DesktopColourScheme::fromPortalValue(QVariant::fromValue(QDBusVariant(1u))),
             ColourScheme::kDark);
    QCOMPARE(DesktopColourScheme::fromPortalValue(QVariant(2u)), ColourScheme::kLight);
    QVERIFY(!DesktopColourScheme::fromPortalValue(QVariant(0u)));
    QVERIFY(!DesktopColourScheme::fromPortalValue(QVariant(QStringLiteral("dark"))));

    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
        QSKIP("dbus-daemon is not installed (./run setup installs it)");
    PrivateBus bus;
    QVERIFY(bus.start());

    // A desktop without a portal: the palette's lightness stands, and nothing waits.
    {
        DesktopColourScheme without(bus.connect(QStringLiteral("no-portal")));
        const ColourScheme fallback = without.scheme();
        QSignalSpy changes(&without, &DesktopColourScheme::changed);
        without.start();
        QTest::qWait(0);
        QCOMPARE(without.scheme(), fallback);
        QCOMPARE(fallback, DesktopColourScheme::withoutPortal());
    }

    FakePortal portal;
    QDBusConnection portalSide = bus.connect(QStringLiteral("portal"));
    QVERIFY(portalSide.registerObject(QString::fromLatin1(kPortalPath), &portal,
                                      QDBusConnection::ExportAllSlots));
    QVERIFY(portalSide.registerService(QString::fromLatin1(kPortalService)));

    DesktopColourScheme desktop(bus.connect(QStringLiteral("client")));
    QCOMPARE(desktop.scheme(), ColourScheme::kLight);  // the offscreen palette is light
    QSignalSpy changes(&desktop, &DesktopColourScheme::changed);
    desktop.start();
    QTRY_COMPARE_WITH_TIMEOUT(desktop.scheme(), ColourScheme::kDark, kWaitMs);
    QCOMPARE(changes.size(), 1);

    // The desktop switches back, then says it has no preference: both reach the client.
    sendSettingChanged(portalSide, 2);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.scheme(), ColourScheme::kLight, kWaitMs);
    sendSettingChanged(portalSide, 1);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.scheme(), ColourScheme::kDark, kWaitMs);
    sendSettingChanged(portalSide, 0);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.scheme(), ColourScheme::kLight, kWaitMs);
    QCOMPARE(changes.size(), 4);
}

void ColourSchemeTest::everyTextIsReadableInBothSchemes() {
    const auto backToLight = qScopeGuard([] { applyColourScheme(ColourScheme::kLight); });
    ClientHarness harness;
    pages::CXPageMyDisk::installInto(harness.client());
    MainWindowExtras* extras = MainWindowExtras::installInto(harness.client());
    QVERIFY(harness.signIn());
    MainFrame* frame = harness.mainFrame();
    auto* page = qobject_cast<pages::CXPageMyDisk*>(frame->pages());
    QVERIFY(page);
    QTRY_VERIFY_WITH_TIMEOUT(page->model().rowCount() > 0, ClientHarness::kWaitMs);
    harness.client().menuChosen(kSettings, false);
    QTRY_VERIFY_WITH_TIMEOUT(extras->settingsDialog() && extras->settingsDialog()->isVisible(),
                             ClientHarness::kWaitMs);
    CSystemSetDlg* settings = extras->settingsDialog();

    // The status line sits on the skin and picks its own colours (tested with the frame).
    const QStringList skipped{QStringLiteral("传输速度")};
    const QString images =
        QString::fromStdString(harness.programFolder()) + QStringLiteral("image/");
    for (const ColourScheme scheme : {ColourScheme::kDark, ColourScheme::kLight}) {
        // Switched while the windows are open, as the desktop does.
        applyColourScheme(scheme);
        const QString name =
            scheme == ColourScheme::kDark ? QStringLiteral("dark") : QStringLiteral("light");
        QStringList unreadable = unreadableTexts(frame, skipped);
        ClientHarness::screenshot(frame, QStringLiteral("main-window-%1.png").arg(name));
        frame->showUploadingPage();
        unreadable << unreadableTexts(frame, skipped);
        ClientHarness::screenshot(frame, QStringLiteral("transfer-page-%1.png").arg(name));
        page->switchPage(pages::kPageMyDisk);
        QTRY_VERIFY_WITH_TIMEOUT(page->model().rowCount() > 0, ClientHarness::kWaitMs);
        unreadable << unreadableTexts(settings, {});
        ClientHarness::screenshot(settings, QStringLiteral("settings-dialog-%1.png").arg(name));
        QVERIFY2(unreadable.isEmpty(),
                 qPrintable(name + QLatin1Char('\n') + unreadable.join(QLatin1Char('\n'))));

        // The page's pictures are the scheme's twins; the skin's are the same in both.
        PictureCache cache(images);
        const QString navButton = QString::fromLatin1(pictures::kNavButtons[1].leave.path);
        QCOMPARE(cache.filePath(navButton).contains(QStringLiteral("/dark/")),
                 scheme == ColourScheme::kDark);
        const QString skin = QString::fromLatin1(pictures::kSkinDefault.path);
        QCOMPARE(cache.filePath(skin), images + skin);
        // In English the words' twins stay where the scheme has none (the sign-in window).
        PictureCache english(images, QStringLiteral("en/"));
        const QString signIn = QString::fromLatin1(pictures::kLoginButton.path);
        QCOMPARE(english.filePath(signIn), images + QStringLiteral("en/") + signIn);
        QCOMPARE(english.filePath(navButton).contains(QStringLiteral("/dark/en/")),
                 scheme == ColourScheme::kDark);
        // The list's own colours follow too: dark rows in the dark.
        auto* list = page->findChild<QTableView*>();
        QVERIFY(list);
        QCOMPARE(list->palette().color(QPalette::Base).lightness() < 128,
                 scheme == ColourScheme::kDark);
    }
}

// Buttons styled by a sheet draw no focus of their own: a keyboard user must still see where
// Tab went, on the accent buttons and the quiet ones, in both schemes.
void ColourSchemeTest::aFocusedButtonShowsItsFocus() {
    for (const ColourScheme scheme : {ColourScheme::kLight, ColourScheme::kDark}) {
        const SchemeColours& colours = coloursOf(scheme);
        QWidget window;
        window.resize(240, 60);
        auto* accent = new QPushButton(QStringLiteral("Start All"), &window);
        accent->setGeometry(10, 10, 100, 28);
        accent->setStyleSheet(accentButtonRules(colours));
        auto* quiet = new QPushButton(QStringLiteral("Cancel"), &window);
        quiet->setGeometry(120, 10, 100, 28);
        quiet->setStyleSheet(quietButtonRules(colours, QStringLiteral("QPushButton")));
        auto* choice = new QCheckBox(QStringLiteral("Start with the desktop"), &window);
        choice->setGeometry(10, 40, 200, 18);
        choice->setStyleSheet(QStringLiteral("QCheckBox { color: %1; }").arg(colours.text.name()) +
                              choiceFocusRules(colours));
        window.resize(240, 70);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        for (QAbstractButton* button :
             std::initializer_list<QAbstractButton*>{accent, quiet, choice}) {
            window.setFocus();
            const QImage plain = button->grab().toImage();
            button->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY_WITH_TIMEOUT(button->hasFocus(), kWaitMs);
            QVERIFY2(button->grab().toImage() != plain, qPrintable(button->text()));
        }
    }
}

NUBEXA_QTEST(ColourSchemeTest)

#include "colour_scheme_test.moc"
