#include "pages/confirm_dialogs.h"

#include <QLabel>

namespace nubexa::pages {

namespace {

constexpr QSize kConfirmSize{360, 150};

struct KindTexts {
    const char* title;
    const char* question;
};

KindTexts textsOf(ConfirmDialog::Kind kind) {
    switch (kind) {
        case ConfirmDialog::Kind::kDelete:
            return {QT_TRANSLATE_NOOP("nubexa::pages::ConfirmDialog", "删除"),
                    QT_TRANSLATE_NOOP("nubexa::pages::ConfirmDialog", "确定删除")};
        case ConfirmDialog::Kind::kDeleteForGood:
            return {
                QT_TRANSLATE_NOOP("nubexa::pages::ConfirmDialog", "彻底删除"),
                QT_TRANSLATE_NOOP("nubexa::pages::ConfirmDialog", "彻底删除将无法恢复,确定删除？")};
        case ConfirmDialog::Kind::kClearBin:
            return {QT_TRANSLATE_NOOP("nubexa::pages::ConfirmDialog", "清空回收站"),
                    QT_TRANSLATE_NOOP("nubexa::pages::ConfirmDialog",
                                      "清空后将无法恢复，确定清空？：")};
        case ConfirmDialog::Kind::kCloseLink:
            return {QT_TRANSLATE_NOOP("nubexa::pages::ConfirmDialog", "关闭文件直链?"),
                    QT_TRANSLATE_NOOP("nubexa::pages::ConfirmDialog", "确定关闭文件直链?")};
        case ConfirmDialog::Kind::kCancelShare:
            return {QT_TRANSLATE_NOOP("nubexa::pages::ConfirmDialog", "关闭文件分享?"),
                    QT_TRANSLATE_NOOP("nubexa::pages::ConfirmDialog", "确定关闭文件分享?")};
    }
    return {"", ""};
}

}  // namespace

ConfirmDialog::ConfirmDialog(DialogContext context, Kind kind, std::vector<DiskSelection> items,
                             QWidget* parent)
    : ItemDialog(std::move(context), items.empty() ? DiskSelection{} : items.front(),
                 tr(textsOf(kind).title), kConfirmSize, parent),
      m_kind(kind),
      m_items(std::move(items)) {
    // Several items are one whole question, so that a translation can put the number anywhere.
    const QString question = m_kind == Kind::kDelete && m_items.size() > 1
                                 ? tr("确定删除这 %1 项").arg(m_items.size())
                                 : tr(textsOf(kind).question);
    QLabel* text = addLabel(question, {20, 30, width() - 40, 40});
    text->setWordWrap(true);
    addOkCancel([this] { confirm(); });
}

void ConfirmDialog::confirm() {
    const DiskOperations& disk = m_context.disk;
    switch (m_kind) {
        case Kind::kDelete:
            deleteItems(false);
            return;
        case Kind::kDeleteForGood:
            deleteItems(true);
            return;
        case Kind::kClearBin:
            // The dialog goes first; the page clears the bin and reports.
            accept();
            emit clearConfirmed();
            return;
        case Kind::kCloseLink:
            // Folders have no direct link: nothing to close, and the dialog stays.
            if (m_item.isFolder)
                return;
            closeWith([&disk, id = m_item.id] { return disk.cancelDirectLink(id); });
            return;
        case Kind::kCancelShare:
            closeWith([&disk, item = itemRef()] { return disk.cancelShare(item); });
            return;
    }
}

void ConfirmDialog::closeWith(std::function<ServiceVerdict()> work) {
    runRequest<ServiceVerdict>(std::move(work), [this](const ServiceVerdict& verdict) {
        if (verdict.accepted())
            succeed(QT_TRANSLATE_NOOP("Messages", "关闭成功"));
        else
            say(failureText(verdict, QT_TRANSLATE_NOOP("Messages", "关闭失败")));
    });
}

void ConfirmDialog::deleteItems(bool forGood) {
    const DiskOperations& disk = m_context.disk;
    const std::string mode = forGood ? "1" : "0";
    runRequest<ServiceVerdict>(
        [&disk, items = m_items, mode] {
            ServiceVerdict first;  // the first item that failed says why
            for (const auto& item : items) {
                const ServiceVerdict why = disk.remove(ItemRef{item.id, item.isFolder}, mode);
                if (first.failure == Failure::kNone)
                    first = why;
            }
            return first;
        },
        [this, forGood](const ServiceVerdict& why) {
            if (why.failure == Failure::kNone)
                succeed(forGood ? "" : QT_TRANSLATE_NOOP("Messages", "删除成功"));
            else if (!forGood)
                say(failureText(why, QT_TRANSLATE_NOOP("Messages", "删除失败")));
            else
                say(failureText(why, m_item.isFolder
                                         ? QT_TRANSLATE_NOOP("Messages", "文件夹彻底删除失败")
                                         : QT_TRANSLATE_NOOP("Messages", "文件彻底删除失败")));
        });
}

}  // namespace nubexa::pages
