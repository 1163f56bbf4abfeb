#include "app/qt_platform.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>
#include <QUrl>

#include "app/gui_bridge.h"

namespace nubexa::app {

namespace {

void showBox(const QString& caption, const QString& text) {
    // A box without caption takes the program's name, as the system's default does.
    auto* box = new QMessageBox(QMessageBox::NoIcon,
                                caption.isEmpty() ? QStringLiteral("Nubexa网盘") : caption, text,
                                QMessageBox::Ok);
    box->setTextFormat(Qt::PlainText);  // names from the service are never markup
    box->setAccessibleName(text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Modal for the user, but no loop of its own: the caller returns, and the timers' ticks
    // run only in the main loop.
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}

}  // namespace

void QtNotifier::showMessage(const std::string& caption, const std::string& text) {
    const QString qCaption = QString::fromStdString(caption);
    const QString qText = QString::fromStdString(text);
    if (QThread::currentThread() == m_bridge.thread()) {
        showBox(qCaption, qText);
        return;
    }
    m_bridge.post([qCaption, qText] { showBox(qCaption, qText); });
}

std::optional<std::string> QtPicker::pickFile(const std::string& title) {
    const QString path = QFileDialog::getOpenFileName(m_owner, QString::fromStdString(title));
    if (path.isEmpty())
        return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> QtPicker::pickFolder(const std::string& title) {
    const QString path = QFileDialog::getExistingDirectory(m_owner, QString::fromStdString(title));
    if (path.isEmpty())
        return std::nullopt;
    return path.toStdString();
}

void DesktopBrowser::openUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::TolerantMode));
}

}  // namespace nubexa::app
