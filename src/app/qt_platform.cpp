#include "app/qt_platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QThread>
#include <QTreeView>
#include <QUrl>

#include "app/core_texts.h"
#include "app/gui_bridge.h"

namespace nubexa::app {

namespace {

bool canOwn(const QWidget* widget) {
    return widget && widget->isVisible() && !qobject_cast<const QMessageBox*>(widget);
}

// The window a box belongs to: the dialog open on top, else `fallback`, else the active one.
QWidget* ownerFor(QWidget* fallback) {
    QWidget* modal = QApplication::activeModalWidget();
    // Another box is no owner: closing it would take this one along.
    while (modal && !canOwn(modal))
        modal = modal->parentWidget() ? modal->parentWidget()->window() : nullptr;
    if (modal)
        return modal;
    if (canOwn(fallback))
        return fallback->window();
    QWidget* active = QApplication::activeWindow();
    return canOwn(active) ? active : nullptr;
}

// Moves a box to its owner's own owner when the owner hides first (a dialog that says "成功"
// and closes), so that the message is still there to read.
class OwnerWatch : public QObject {
public:
    OwnerWatch(QMessageBox* box, QWidget* owner, QWidget* fallback)
        : QObject(box), m_box(box), m_owner(owner), m_fallback(fallback) {
        owner->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Closed, not minimised by the desktop.
        if (watched == m_owner && event->type() == QEvent::Hide && !event->spontaneous()) {
            m_owner->removeEventFilter(this);
            QWidget* above = m_owner->parentWidget() ? m_owner->parentWidget()->window() : nullptr;
            if (!canOwn(above))
                above = canOwn(m_fallback) && m_fallback->window() != m_owner ? m_fallback->window()
                                                                              : nullptr;
            m_box->setParent(above, m_box->windowFlags());
            if (above)
                new OwnerWatch(m_box, above, m_fallback);
            m_box->show();
            deleteLater();
        }
        return false;
    }

private:
    QMessageBox* m_box;
    QPointer<QWidget> m_owner;
    QPointer<QWidget> m_fallback;
};

}  // namespace

void QtNotifier::showBox(const QString& caption, const QString& text) {
    QWidget* owner = ownerFor(m_owner);
    // A box without caption takes the program's name, as the system's default does.
    auto* box = new QMessageBox(
        QMessageBox::NoIcon,
        caption.isEmpty() ? QCoreApplication::translate("Messages", "Nubexa网盘") : caption, text,
        QMessageBox::Ok, owner);
    if (owner)
        new OwnerWatch(box, owner, m_owner);
    box->setTextFormat(Qt::PlainText);  // names from the service are never markup
    box->setAccessibleName(text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Modal for the user, but no loop of its own: the caller returns, and the timers' ticks
    // run only in the main loop.
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}

void QtNotifier::showMessage(const std::string& caption, const std::string& text) {
    // Messages arrive as the source texts marked QT_TRANSLATE_NOOP("Messages", ...), some with
    // data around them; a text coming from the service has no entry and stays as is.
    const QString qCaption = QCoreApplication::translate(kMessages, caption.c_str());
    const QString qText = coreText(text);
    if (QThread::currentThread() == m_bridge.thread()) {
        showBox(qCaption, qText);
        return;
    }
    m_bridge.post([this, qCaption, qText] { showBox(qCaption, qText); });
}

namespace {

std::optional<std::string> pick(QWidget* owner, const std::string& title, bool folder,
                                const QString& startIn) {
    QFileDialog dialog(owner, coreText(title));
    dialog.setDirectory(startIn);
    dialog.setFileMode(folder ? QFileDialog::Directory : QFileDialog::ExistingFile);
    if (folder)
        dialog.setOption(QFileDialog::ShowDirsOnly);
    // Wide enough for the size and date columns beside the names, and the columns use that
    // width: Qt's own dialog keeps narrow default sections that cut the dates ("12/9/2…").
    dialog.resize(dialog.sizeHint().expandedTo(QSize(860, 520)));
    for (QTreeView* details : dialog.findChildren<QTreeView*>()) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

}  // namespace

QString QtPicker::startFolder() const {
    // Not the working folder, which for a client started from a menu is anywhere.
    return !m_lastFolder.isEmpty() && QFileInfo(m_lastFolder).isDir() ? m_lastFolder
                                                                      : QDir::homePath();
}

std::optional<std::string> QtPicker::pickFile(const std::string& title) {
    auto chosen = pick(m_owner, title, false, startFolder());
    if (chosen)
        m_lastFolder = QFileInfo(QString::fromStdString(*chosen)).absolutePath();
    return chosen;
}

std::optional<std::string> QtPicker::pickFolder(const std::string& title) {
    // A folder chosen last time opens as it was: one click takes it again.
    auto chosen = pick(m_owner, title, true, startFolder());
    if (chosen)
        m_lastFolder = QString::fromStdString(*chosen);
    return chosen;
}

void DesktopBrowser::openUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::TolerantMode));
}

}  // namespace nubexa::app
