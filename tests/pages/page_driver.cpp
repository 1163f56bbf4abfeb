#include "page_driver.h"

#include <QFile>
#include <QPointer>
#include <QPushButton>

#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "pages/disk_list_model.h"
#include "pages/transfer_page.h"
#include "session/client_session.h"

namespace nubexa::test {

std::optional<std::string> ScriptedPicker::pickFile(const std::string& title) {
    titles.push_back(title);
    return answer;
}

std::optional<std::string> ScriptedPicker::pickFolder(const std::string& title) {
    titles.push_back(title);
    return answer;
}

PageDriver::PageDriver(const QString& account, const QString& password,
                       const std::function<void(app::ClientEnvironment&)>& prepare) {
    m_harness.environment().picker = &m_picker;
    if (prepare)
        prepare(m_harness.environment());
    pages::CXPageMyDisk::installInto(m_harness.client());
    if (!m_harness.signIn(account, password))
        return;
    m_page = qobject_cast<pages::CXPageMyDisk*>(m_harness.mainFrame()->pages());
}

bool PageDriver::restartClient() {
    m_page = nullptr;
    m_harness.endClient();
    pages::CXPageMyDisk::installInto(m_harness.client());
    if (!m_harness.signIn())
        return false;
    m_page = qobject_cast<pages::CXPageMyDisk*>(m_harness.mainFrame()->pages());
    return m_page != nullptr;
}

bool PageDriver::settle() {
    return QTest::qWaitFor(
        [this] {
            QCoreApplication::processEvents();
            return !m_page->busy() && !m_page->transfers().filling();
        },
        ClientHarness::kWaitMs);
}

bool PageDriver::uploadHere(const std::vector<std::pair<std::string, QByteArray>>& files) {
    QStringList paths;
    for (const auto& [name, bytes] : files) {
        const QString path = QString::fromStdString(m_harness.homeFolder() + name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
        paths << path;
    }
    m_page->uploadPaths(paths);
    // Queued off the GUI thread: the page turns to the uploads once they are in the queue.
    if (!settle() || m_page->page() != pages::kPageUploading)
        return false;
    ClientSession& session = m_harness.client().session();
    if (!QTest::qWaitFor([&] { return session.transferRows(Direction::kUpload).empty(); }, 60000))
        return false;
    m_page->switchPage(pages::kPageMyDisk);
    if (!settle())
        return false;
    for (const auto& [name, bytes] : files)
        if (rowOf(name) < 0)
            return false;
    return true;
}

std::vector<std::string> PageDriver::names() const {
    std::vector<std::string> shown;
    for (const auto& row : m_page->model().rows())
        shown.push_back(row.name);
    return shown;
}

int PageDriver::rowOf(const std::string& name) const {
    const auto shown = names();
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == name)
            return static_cast<int>(i);
    }
    return -1;
}

bool PageDriver::command(const std::string& name, int id) {
    const int row = rowOf(name);
    if (row < 0)
        return false;
    bool offered = false;
    for (const auto& entry : m_page->menuForRow(row))
        offered = offered || entry.id == id;
    if (!offered)
        return false;
    m_page->runCommand(id);
    return true;
}

bool PageDriver::click(pages::ItemDialog* dialog, const QString& name) {
    if (!dialog)
        return false;
    QPointer<pages::ItemDialog> guard(dialog);
    QPushButton* button = dialog->findChild<QPushButton*>(name);
    if (!button)
        return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return QTest::qWaitFor([&guard] { return !guard || !guard->busy(); }, ClientHarness::kWaitMs) &&
           settle();
}

std::vector<std::string> PageDriver::takeMessages() {
    const auto all = m_harness.notifier().messages();
    std::vector<std::string> fresh;
    for (std::size_t i = m_seenMessages; i < all.size(); ++i)
        fresh.push_back(all[i].text);
    m_seenMessages = all.size();
    return fresh;
}

}  // namespace nubexa::test
