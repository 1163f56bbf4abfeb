#include "pages/folder_dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "pages/dialog_checks.h"
#include "platform/notifier.h"

namespace nubexa::pages {

namespace {

constexpr QSize kNameSize{380, 150};
constexpr QSize kMoveSize{400, 250};
constexpr int kIdRole = Qt::UserRole + 1;

}  // namespace

NewFolderDialog::NewFolderDialog(DialogContext context, std::string parentId, QWidget* parent)
    : ItemDialog(std::move(context), {}, tr("新建文件夹"), kNameSize, parent),
      m_parentId(std::move(parentId)) {
    addLabel(tr("文件夹名称："), {20, 30, 100, 33});
    m_name = addEdit(tr("文件夹名称"), {120, 30, 200, 33});
    addOkCancel([this] { confirm(); });
}

void NewFolderDialog::confirm() {
    const std::string name = fieldText(m_name);
    if (const Refusal refusal = checkNewFolder(name)) {
        m_context.notifier.showMessage(kEmptyNameCaption, *refusal);
        return;
    }
    const DiskOperations& disk = m_context.disk;
    runRequest<bool>(
        [&disk, pid = m_parentId, name] {
            const auto made = disk.makeFolder(pid, name);
            return made.ok() && made.value.result == 1;
        },
        [this](bool made) {
            if (!made)
                say(QT_TRANSLATE_NOOP("Messages", "添加失败，可能是网络原因，请再试..."));
            else
                succeed(QT_TRANSLATE_NOOP("Messages", "添加成功"));
        });
}

RenameDialog::RenameDialog(DialogContext context, DiskSelection item, QWidget* parent)
    : ItemDialog(std::move(context), item, item.isFolder ? tr("重命名文件夹") : tr("重命名文件"),
                 kNameSize, parent) {
    addLabel(tr("新名称："), {20, 30, 80, 33});
    m_name = addEdit(tr("新名称"), {100, 30, 240, 33});
    m_name->setText(QString::fromStdString(m_item.name));
    m_name->selectAll();
    addOkCancel([this] { confirm(); });
}

void RenameDialog::confirm() {
    const std::string name = fieldText(m_name);
    if (name.empty()) {
        say(QT_TRANSLATE_NOOP("Messages", "请输入新名称"));
        return;
    }
    const DiskOperations& disk = m_context.disk;
    runRequest<ServiceVerdict>(
        [&disk, item = itemRef(), name] { return disk.rename(item, name); },
        [this](const ServiceVerdict& why) {
            if (why.failure == Failure::kNone)
                succeed(QT_TRANSLATE_NOOP("Messages", "操作成功"));
            else
                say(failureText(why, QT_TRANSLATE_NOOP("Messages", "操作失败")));
        });
}

MoveDialog::MoveDialog(DialogContext context, DiskSelection item, QWidget* parent)
    : ItemDialog(std::move(context), std::move(item), tr("移动"), kMoveSize, parent) {
    addLabel(tr("移动到文件夹名称："), {20, 20, 130, 28});
    m_target = addEdit(tr("目标文件夹"), {150, 20, 150, 28});
    m_target->setReadOnly(true);
    QPushButton* pick = addButton(tr("选择"), {306, 20, 70, 28});
    pick->setToolTip(tr("选择将对象移动到的文件夹"));
    m_tree = new QTreeWidget(this);
    m_tree->setAccessibleName(tr("选择将对象移动到的文件夹"));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    m_tree->setGeometry(130, 54, 250, 100);
    m_tree->hide();
    connect(pick, &QPushButton::clicked, this, [this] {
        m_tree->setVisible(!m_tree->isVisible());
        m_tree->raise();
    });
    connect(m_tree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* node) { choose(node); });
    addOkCancel([this] { confirm(); });

    const DiskOperations& disk = m_context.disk;
    runRequest<ServiceResult<FolderTree>>(
        [&disk] { return disk.folderTree(); },
        [this](ServiceResult<FolderTree> tree) {
            // Else the disk would look as if it had no folders.
            if (!tree.ok())
                say(failureText({tree.failure, tree.message},
                                QT_TRANSLATE_NOOP("Messages", "未能读取文件夹")));
            fillTree(tree.value);
        });
}

void MoveDialog::fillTree(const FolderTree& tree) {
    const std::vector<int> parents =
        moveTreeParents(tree, m_item.isFolder ? m_item.id : std::string());
    std::vector<QTreeWidgetItem*> nodes(parents.size(), nullptr);
    // The top level is a target too: the way back out of every folder.
    auto* top = new QTreeWidgetItem(m_tree);
    top->setText(0, tr("我的网盘"));
    top->setData(0, kIdRole, QStringLiteral("0"));
    for (std::size_t i = 0; i < parents.size(); ++i) {
        if (parents[i] == kLeftOut)
            continue;
        QTreeWidgetItem* node =
            parents[i] < 0 ? new QTreeWidgetItem(top)
                           : new QTreeWidgetItem(nodes[static_cast<std::size_t>(parents[i])]);
        node->setText(0, QString::fromStdString(tree.names[i]));
        node->setData(0, kIdRole, QString::number(tree.ids[i]));
        nodes[i] = node;
    }
    m_tree->expandAll();
    m_treeLoaded = true;
}

void MoveDialog::choose(QTreeWidgetItem* node) {
    m_target->setText(node->text(0));
    m_chosenId = node->data(0, kIdRole).toString().toStdString();
    m_tree->hide();
}

void MoveDialog::confirm() {
    if (const Refusal refusal = checkMoveTarget(m_chosenId)) {
        say(*refusal);
        return;
    }
    const DiskOperations& disk = m_context.disk;
    runRequest<ServiceVerdict>(
        [&disk, item = itemRef(), target = m_chosenId] { return disk.move(item, target); },
        [this](const ServiceVerdict& why) {
            // The service's refusal (a name taken in the target, say) is reported, not hidden.
            if (why.failure == Failure::kNone)
                succeed(QT_TRANSLATE_NOOP("Messages", "移动成功"));
            else
                say(failureText(why, QT_TRANSLATE_NOOP("Messages", "移动失败")));
        });
}

}  // namespace nubexa::pages
