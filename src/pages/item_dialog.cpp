#include "pages/item_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "app/colour_scheme.h"
#include "app/picture_cache.h"
#include "platform/notifier.h"

namespace nubexa::pages {

namespace {

constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 30;

// Inputs are bounded as the service expects (260 characters).
constexpr int kFieldLimit = 259;

}  // namespace

std::string fieldText(const QLineEdit* edit) {
    return edit->text().toStdString();
}

ItemDialog::ItemDialog(DialogContext context, DiskSelection item, const QString& title, QSize size,
                       QWidget* parent)
    : QDialog(parent), m_context(std::move(context)), m_item(std::move(item)) {
    setWindowTitle(title);
    setAccessibleName(title);
    setFixedSize(size);
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    app::setSchemeStyleSheet(this, [](const app::SchemeColours& c) {
        return QStringLiteral(
                   "QDialog { background: %1; }"
                   "QLabel, QCheckBox, QRadioButton { color: %2; }"
                   "QLineEdit, QTextEdit, QComboBox { border: 1px solid %3; border-radius: 3px;"
                   " padding: 2px 4px; background: %4; color: %2; }"
                   "QLineEdit:focus, QTextEdit:focus { border-color: %5; }"
                   // A list's hovered entry in the dialog's colours, never white on white.
                   "QComboBox QAbstractItemView { background: %4; color: %2; outline: none;"
                   " selection-background-color: %6; selection-color: %7; }")
                   .arg(c.surface.name(), c.text.name(), c.border.name(), c.base.name(),
                        c.accent.name(), c.selection.name(), c.selectedText.name()) +
               app::accentButtonRules(c) +
               app::quietButtonRules(c, QStringLiteral("QPushButton#cancel")) +
               app::choiceFocusRules(c);
    });
}

QLabel* ItemDialog::addLabel(const QString& text, const QRect& where) {
    auto* label = new QLabel(text, this);
    label->setTextFormat(Qt::PlainText);  // item names and tips come from the service
    label->setGeometry(where);
    label->setAccessibleName(text);
    return label;
}

QLineEdit* ItemDialog::addEdit(const QString& accessibleName, const QRect& where) {
    auto* edit = new QLineEdit(this);
    edit->setGeometry(where);
    edit->setAccessibleName(accessibleName);
    edit->setObjectName(accessibleName);
    edit->setMaxLength(kFieldLimit);
    return edit;
}

QLabel* ItemDialog::addBanner(const pictures::Picture& picture) {
    auto* banner = new QLabel(this);
    banner->setGeometry(6, 6, std::min(picture.width, width() - 12), picture.height);
    banner->setPixmap(m_context.pictures.picture(QString::fromLatin1(picture.path)));
    banner->setScaledContents(true);
    banner->setAccessibleName(tr("广告"));
    return banner;
}

QPushButton* ItemDialog::addButton(const QString& text, const QRect& where) {
    auto* button = new QPushButton(text, this);
    button->setGeometry(where);
    button->setAccessibleName(text);
    button->setObjectName(text);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QPushButton* ItemDialog::addOkCancel(const std::function<void()>& onOk, bool withCancel) {
    const int y = height() - kButtonHeight - 12;
    int x = width() - 12 - kButtonWidth;
    if (withCancel) {
        QPushButton* cancel = addButton(tr("取消"), {x, y, kButtonWidth, kButtonHeight});
        cancel->setObjectName(QStringLiteral("cancel"));
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        x -= kButtonWidth + 10;
    }
    QPushButton* ok = addButton(tr("确定"), {x, y, kButtonWidth, kButtonHeight});
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this, onOk] {
        if (!m_busy)
            onOk();
    });
    return ok;
}

std::string ItemDialog::failureText(const ServiceVerdict& why, const std::string& refused) {
    return why.failure == Failure::kNoAnswer ? kNetworkFailed : refused;
}

void ItemDialog::say(const std::string& text) const {
    m_context.notifier.showMessage(kCaption, text);
}

void ItemDialog::succeed(const std::string& message) {
    // Closed first, so that the message belongs to the window below from the start: moved there
    // as this dialog hid, it stayed unmapped under a window manager yet blocked the window.
    accept();
    if (!message.empty())
        say(message);
}

void ItemDialog::setBusy(bool busy) {
    m_busy = busy;
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setEnabled(!busy);
}

}  // namespace nubexa::pages
