#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "client_harness.h"
#include "pages/x_page_my_disk.h"
#include "platform/picker.h"

namespace nubexa::test {

inline constexpr std::int64_t kMiB = 1024 * 1024;

// Answers the choosers with what the test says and notes their titles.
class ScriptedPicker : public Picker {
public:
    std::optional<std::string> pickFile(const std::string& title) override;
    std::optional<std::string> pickFolder(const std::string& title) override;
    std::optional<std::string> answer;
    std::vector<std::string> titles;
};

// The disk page of a client signed in at the stand-in (demo account unless told), driven as a
// user would: wait for listings, find rows by name, answer dialogs.
class PageDriver {
public:
    explicit PageDriver(const QString& account = QStringLiteral("demo"),
                        const QString& password = QStringLiteral("demo123"),
                        const std::function<void(app::ClientEnvironment&)>& prepare = {});
    // Ends the client and starts a new one on the same folders, signed in again.
    bool restartClient();

    ClientHarness& harness() { return m_harness; }
    pages::CXPageMyDisk& page() { return *m_page; }
    ScriptedPicker& picker() { return m_picker; }
    bool ready() const { return m_page != nullptr; }

    // Waits until no listing is out (and a queued one has been applied).
    bool settle();
    // Writes each (name, bytes) to the home folder, uploads them into the folder shown and
    // waits until its listing shows them all.
    bool uploadHere(const std::vector<std::pair<std::string, QByteArray>>& files);
    // The shown rows' names, in order.
    std::vector<std::string> names() const;
    int rowOf(const std::string& name) const;
    // The menu of the named row and the command it starts.
    bool command(const std::string& name, int id);
    // The dialog now open, once it has its data, of type T.
    template <typename T>
    T* dialog() {
        if (!QTest::qWaitFor([this] { return page().dialog() && !page().dialog()->busy(); }, 10000))
            return nullptr;
        return qobject_cast<T*>(page().dialog());
    }
    // Clicks the dialog's button named `name` ("ok", "cancel" or its text) and waits until its
    // request has come back.
    bool click(pages::ItemDialog* dialog, const QString& name);
    // Messages shown since the last call.
    std::vector<std::string> takeMessages();

private:
    ScriptedPicker m_picker;
    ClientHarness m_harness;
    pages::CXPageMyDisk* m_page = nullptr;
    std::size_t m_seenMessages = 0;
};

}  // namespace nubexa::test
