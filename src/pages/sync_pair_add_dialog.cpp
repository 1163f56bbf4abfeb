#include "pages/sync_pair_add_dialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "pages/dialog_checks.h"
#include "pages/sync_pair_model.h"
#include "platform/notifier.h"
#include "platform/picker.h"
#include "service/disk_entries.h"

namespace nubexa::pages {

namespace {

constexpr const char* kNoLocalFolder = QT_TRANSLATE_NOOP("Messages", "请选择本地文件夹");
constexpr const char* kLocalNotAbsolute =
    QT_TRANSLATE_NOOP("Messages", "本地文件夹须为完整路径（以 / 开头）");
constexpr const char* kNoDiskFolder = QT_TRANSLATE_NOOP("Messages", "请输入网盘文件夹，例如 /备份");
constexpr const char* kDiskTop =
    QT_TRANSLATE_NOOP("Messages", "网盘的根目录不能同步，请指定其中的文件夹");

constexpr int kPathRole = Qt::UserRole;  // "/备份/照片"; none on a line that only says something

bool onlySeparators(const std::string& path) {
    return path.find_first_not_of("/\\ ") == std::string::npos;
}

}  // namespace

std::optional<const char*> checkSyncPairFields(const SyncPairFields& fields) {
    if (fields.localFolder.empty())
        return kNoLocalFolder;
    if (fields.localFolder.front() != '/')
        return kLocalNotAbsolute;
    if (fields.diskFolder.empty())
        return kNoDiskFolder;
    if (onlySeparators(fields.diskFolder))
        return kDiskTop;
    return std::nullopt;
}

SyncPairAddDialog::SyncPairAddDialog(Picker& picker, Notifier& notifier, QWidget* parent)
    : QDialog(parent),
      m_picker(picker),
      m_notifier(notifier),
      m_local(new QLineEdit(this)),
      m_browse(new QPushButton(tr("浏览…"), this)),
      m_disk(new QLineEdit(this)),
      m_pickDisk(new QPushButton(tr("选择…"), this)),
      m_diskTree(new QTreeWidget(this)),
      m_mode(new QComboBox(this)),
      m_ok(new QPushButton(tr("确定"), this)),
      m_cancel(new QPushButton(tr("取消"), this)) {
    setWindowTitle(tr("添加同步文件夹"));
    setAccessibleName(tr("添加同步文件夹"));
    setModal(true);
    m_local->setAccessibleName(tr("本地文件夹"));
    m_browse->setAccessibleName(tr("选择本地文件夹"));
    m_disk->setAccessibleName(tr("网盘文件夹"));
    m_disk->setPlaceholderText(tr("例如 /备份/照片；不存在时自动新建"));
    m_pickDisk->setAccessibleName(tr("选择网盘文件夹"));
    m_pickDisk->setAutoDefault(false);
    m_diskTree->setAccessibleName(tr("网盘文件夹列表"));
    m_diskTree->setHeaderHidden(true);
    m_diskTree->setMinimumHeight(160);
    m_diskTree->hide();
    m_mode->setAccessibleName(tr("同步模式"));
    for (SyncMode mode : {SyncMode::kBackup, SyncMode::kMirror, SyncMode::kTwoWay})
        m_mode->addItem(SyncPairModel::modeText(mode), static_cast<int>(mode));
    m_ok->setAccessibleName(tr("确定"));
    m_cancel->setAccessibleName(tr("取消"));
    m_ok->setDefault(true);

    auto* localRow = new QHBoxLayout;
    localRow->addWidget(m_local, 1);
    localRow->addWidget(m_browse);
    auto* modeHint = new QLabel(
        tr("备份：本地到网盘，网盘上的文件不删除\n镜像：网盘到本地，本地改动保留为冲突副本\n"
           "双向：两边互相同步，删除的文件进入回收站"),
        this);
    modeHint->setAccessibleName(tr("模式说明"));
    modeHint->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(tr("本地文件夹："), localRow);
    auto* diskRow = new QHBoxLayout;
    diskRow->addWidget(m_disk, 1);
    diskRow->addWidget(m_pickDisk);
    form->addRow(tr("网盘文件夹："), diskRow);
    form->addRow(QString(), m_diskTree);
    form->addRow(tr("同步模式："), m_mode);
    form->addRow(QString(), modeHint);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(m_cancel, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setTabOrder(m_local, m_browse);
    setTabOrder(m_browse, m_disk);
    setTabOrder(m_disk, m_pickDisk);
    setTabOrder(m_pickDisk, m_diskTree);
    setTabOrder(m_diskTree, m_mode);
    setTabOrder(m_mode, m_ok);
    setTabOrder(m_ok, m_cancel);
    resize(520, sizeHint().height());

    connect(m_browse, &QPushButton::clicked, this, &SyncPairAddDialog::chooseLocal);
    connect(m_pickDisk, &QPushButton::clicked, this, &SyncPairAddDialog::toggleDiskTree);
    connect(m_diskTree, &QTreeWidget::itemClicked, this, &SyncPairAddDialog::chooseDisk);
    connect(m_diskTree, &QTreeWidget::itemActivated, this, &SyncPairAddDialog::chooseDisk);
    m_diskTree->installEventFilter(this);
    connect(m_ok, &QPushButton::clicked, this, &SyncPairAddDialog::tryAccept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

SyncPairFields SyncPairAddDialog::fields() const {
    SyncPairFields fields;
    fields.localFolder = m_local->text().trimmed().toStdString();
    fields.diskFolder = m_disk->text().trimmed().toStdString();
    fields.mode = static_cast<SyncMode>(m_mode->currentData().toInt());
    return fields;
}

void SyncPairAddDialog::chooseLocal() {
    if (const auto folder = m_picker.pickFolder(tr("选择要同步的本地文件夹").toStdString()))
        m_local->setText(QString::fromStdString(*folder));
}

bool SyncPairAddDialog::eventFilter(QObject* watched, QEvent* event) {
    // Return in the tree picks the folder; the list passes it on, and OK would take it too.
    if (watched == m_diskTree && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            chooseDisk(m_diskTree->currentItem());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SyncPairAddDialog::toggleDiskTree() {
    const bool show = !m_diskTree->isVisible();
    if (show && !m_diskFoldersAsked) {
        m_diskFoldersAsked = true;
        auto* reading = new QTreeWidgetItem(m_diskTree, {tr("正在读取网盘文件夹…")});
        reading->setFlags(Qt::NoItemFlags);
        emit diskFoldersWanted();
    }
    m_diskTree->setVisible(show);
    if (show)
        m_diskTree->setFocus();
    fitHeight();
}

void SyncPairAddDialog::showDiskFolders(const ServiceResult<FolderTree>& read) {
    const FolderTree& tree = read.value;
    m_diskTree->clear();
    const std::vector<int> parents = moveTreeParents(tree, std::string());
    std::vector<QTreeWidgetItem*> nodes(parents.size(), nullptr);
    std::vector<QString> paths(parents.size());
    for (std::size_t i = 0; i < parents.size(); ++i) {
        const int parent = parents[i];
        if (parent == kLeftOut)
            continue;
        const auto above = static_cast<std::size_t>(parent);
        if (parent >= 0 && nodes[above] == nullptr)
            continue;
        const QString name = QString::fromStdString(tree.names[i]);
        paths[i] = (parent >= 0 ? paths[above] : QString()) + QLatin1Char('/') + name;
        nodes[i] = parent >= 0 ? new QTreeWidgetItem(nodes[above], {name})
                               : new QTreeWidgetItem(m_diskTree, {name});
        nodes[i]->setData(0, kPathRole, paths[i]);
    }
    if (m_diskTree->topLevelItemCount() == 0) {
        m_diskFoldersAsked = false;  // asked again at the next opening
        const QString said = read.ok()              ? tr("网盘中还没有文件夹")
                             : read.networkFailed() ? tr("未能读取网盘文件夹，请检查网络")
                                                    : tr("未能读取网盘文件夹");
        auto* none = new QTreeWidgetItem(m_diskTree, {said});
        none->setFlags(Qt::NoItemFlags);
    }
}

void SyncPairAddDialog::chooseDisk(QTreeWidgetItem* node) {
    const QString path = node ? node->data(0, kPathRole).toString() : QString();
    if (path.isEmpty())
        return;
    m_disk->setText(path);
    m_diskTree->hide();
    m_disk->setFocus();
    fitHeight();
}

void SyncPairAddDialog::fitHeight() {
    // The layout learns of the tree shown or hidden only when it next runs: it runs now, so
    // that the dialog grows and shrinks with it.
    layout()->activate();
    resize(width(), sizeHint().height());
}

void SyncPairAddDialog::tryAccept() {
    const SyncPairFields chosen = fields();
    if (const auto refusal = checkSyncPairFields(chosen)) {
        m_notifier.showMessage(windowTitle().toStdString(),
                               QCoreApplication::translate("Messages", *refusal).toStdString());
        return;
    }
    emit pairChosen(chosen);
    accept();
}

}  // namespace nubexa::pages
