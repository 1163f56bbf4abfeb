#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>
#include <string>

#include "app/request_runner.h"
#include "pages/disk_rows.h"
#include "picture_catalog.h"
#include "session/disk_operations.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace nubexa {
class Notifier;
}  // namespace nubexa

namespace nubexa::app {
class PictureCache;
}

namespace nubexa::pages {

// What every item dialog works with: the disk operations, the message boxes, the runner that takes
// requests off the GUI thread, the pictures, and the direct-link prefix of nubexa.ini.
struct DialogContext {
    const DiskOperations& disk;
    Notifier& notifier;
    app::RequestRunner& requests;
    app::PictureCache& pictures;
    std::string directLinkPrefix;
};

// Base of the item dialogs: a modal dialog of a given title and size whose operation runs off
// the GUI thread. While the request runs the dialog's buttons are disabled, so a second click
// sends nothing; the result is applied on the GUI thread. GUI thread only.
class ItemDialog : public QDialog {
    Q_OBJECT
public:
    static inline const std::string kCaption = QT_TRANSLATE_NOOP("Messages", "提示");
    // Said instead of an operation's own failure text when the service gave no answer.
    static inline const std::string kNetworkFailed =
        QT_TRANSLATE_NOOP("Messages", "网络连接失败，请检查网络后重试");
    // The text for a failed operation: the network's failure as such, else `refused`.
    static std::string failureText(const ServiceVerdict& why, const std::string& refused);

    ItemDialog(DialogContext context, DiskSelection item, const QString& title, QSize size,
               QWidget* parent);

    const DiskSelection& item() const { return m_item; }
    bool busy() const { return m_busy; }

protected:
    QLabel* addLabel(const QString& text, const QRect& where);
    QLineEdit* addEdit(const QString& accessibleName, const QRect& where);
    QPushButton* addButton(const QString& text, const QRect& where);
    // The dialog's picture across its top.
    QLabel* addBanner(const pictures::Picture& picture);
    // "确定" and "取消" at the bottom right; OK calls accept-logic `onOk`.
    QPushButton* addOkCancel(const std::function<void()>& onOk, bool withCancel = true);

    void say(const std::string& text) const;
    // The dialog's item as an operation names it.
    ItemRef itemRef() const { return ItemRef{m_item.id, m_item.isFolder}; }

    // `work` on a pool thread, `apply` here afterwards; the buttons are off meanwhile.
    template <typename Result>
    void runRequest(std::function<Result()> work, std::function<void(Result)> apply) {
        setBusy(true);
        QPointer<ItemDialog> self(this);
        m_context.requests.run<Result>(this, std::move(work), [self, apply](Result result) {
            if (!self)
                return;
            self->setBusy(false);
            apply(std::move(result));
        });
    }
    // Message and close: how a successful operation ends (the page reloads when a dialog
    // closes).
    void succeed(const std::string& message);

    DialogContext m_context;
    DiskSelection m_item;

private:
    void setBusy(bool busy);
    bool m_busy = false;
};

std::string fieldText(const QLineEdit* edit);

}  // namespace nubexa::pages
