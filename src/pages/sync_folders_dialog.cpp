#include "pages/sync_folders_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include "pages/sync_pair_model.h"
#include "session/sync_round.h"

namespace nubexa::pages {

namespace {

QPushButton* button(const QString& text, QWidget* parent) {
    auto* made = new QPushButton(text, parent);
    made->setAccessibleName(text);
    made->setAutoDefault(false);
    return made;
}

}  // namespace

SyncFoldersDialog::SyncFoldersDialog(SyncPairModel& model, QWidget* parent)
    : QDialog(parent),
      m_model(model),
      m_hint(new QLabel(this)),
      m_table(new QTableView(this)),
      m_add(button(tr("添加…"), this)),
      m_remove(button(tr("移除"), this)),
      m_syncNow(button(tr("立即同步"), this)),
      m_close(button(tr("关闭"), this)),
      m_checkLabel(new QLabel(tr("查看网盘改动的间隔："), this)),
      m_checkMinutes(new QSpinBox(this)) {
    setWindowTitle(tr("同步文件夹"));
    setAccessibleName(tr("同步文件夹"));
    m_hint->setWordWrap(true);
    m_hint->setAccessibleName(tr("同步文件夹说明"));
    m_table->setModel(&m_model);
    m_table->setAccessibleName(tr("同步文件夹列表"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);  // Tab leaves the list for the buttons
    m_table->verticalHeader()->hide();
    m_table->setWordWrap(false);
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(SyncPairModel::kLocal, QHeaderView::Stretch);
    header->setSectionResizeMode(SyncPairModel::kState, QHeaderView::Stretch);
    m_remove->setToolTip(tr("停止同步；两边的文件保持不变"));
    // Local changes go up as they happen; the disk's are seen at this interval.
    m_checkMinutes->setRange(SyncPairs::kCheckMinutesRange.first,
                             SyncPairs::kCheckMinutesRange.second);
    m_checkMinutes->setValue(SyncPairs::kDefaultCheckMinutes);
    m_checkMinutes->setSuffix(tr(" 分钟"));
    m_checkMinutes->setKeyboardTracking(false);  // one choice per edit, not per digit
    m_checkMinutes->setAccessibleName(tr("查看网盘改动的间隔（分钟）"));
    m_checkLabel->setBuddy(m_checkMinutes);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addWidget(m_syncNow);
    buttons->addSpacing(16);
    buttons->addWidget(m_checkLabel);
    buttons->addWidget(m_checkMinutes);
    buttons->addStretch(1);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_hint);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    setTabOrder(m_table, m_add);
    setTabOrder(m_add, m_remove);
    setTabOrder(m_remove, m_syncNow);
    setTabOrder(m_syncNow, m_checkMinutes);
    setTabOrder(m_checkMinutes, m_close);
    resize(820, 360);

    connect(m_add, &QPushButton::clicked, this, &SyncFoldersDialog::addRequested);
    connect(m_remove, &QPushButton::clicked, this, [this] {
        if (const int row = selectedRow(); row >= 0)
            emit removeRequested(m_model.row(row).pair.id);
    });
    connect(m_syncNow, &QPushButton::clicked, this, &SyncFoldersDialog::syncSelected);
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_checkMinutes, &QSpinBox::valueChanged, this, &SyncFoldersDialog::checkMinutesChosen);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SyncFoldersDialog::updateButtons);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int at) {
        if (selectedRow() < 0)
            m_table->selectRow(at);
    });
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, &SyncFoldersDialog::updateButtons);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &SyncFoldersDialog::updateButtons);
    if (m_model.rowCount() > 0)
        m_table->selectRow(0);
    setRoundsRunHere(true);
}

void SyncFoldersDialog::showCheckMinutes(int minutes) {
    const QSignalBlocker quiet(m_checkMinutes);
    m_checkMinutes->setValue(minutes);
}

int SyncFoldersDialog::selectedRow() const {
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void SyncFoldersDialog::setRoundsRunHere(bool here) {
    m_roundsHere = here;
    m_hint->setText(here ? tr("本地文件夹与网盘文件夹保持同步：客户端运行时，本地的改动几秒内上传，"
                              "网盘的改动定时取回。")
                         : tr("nubexa-cli 正在管理这台电脑上的传输队列，同步由它进行。"));
    updateButtons();
}

void SyncFoldersDialog::updateButtons() {
    const bool selected = selectedRow() >= 0;
    m_remove->setEnabled(selected);
    m_syncNow->setEnabled(selected && m_roundsHere);
}

void SyncFoldersDialog::syncSelected() {
    const int row = selectedRow();
    if (row < 0)
        return;
    const SyncPairRow& shown = m_model.row(row);
    if (shown.state == SyncPairRow::State::kAsk)
        askToGoAhead(shown.pair.id);
    else
        emit syncNowRequested(shown.pair.id, false);
}

void SyncFoldersDialog::askToGoAhead(std::int64_t pairId) {
    const int row = m_model.rowOf(pairId);
    if (row < 0 || m_question)
        return;
    const SyncPairRow& shown = m_model.row(row);
    m_table->selectRow(row);
    auto* box = new QMessageBox(QMessageBox::Question, tr("同步文件夹"),
                                tr("这一轮同步将删除或替换 %1 个文件（共 %2 个）。是否继续？")
                                    .arg(shown.waiting)
                                    .arg(shown.files),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setInformativeText(
        tr("%1\n删除或替换的文件会移入回收站，可以找回。")
            .arg(m_model.data(m_model.index(row, SyncPairModel::kLocal)).toString()));
    box->setAccessibleName(tr("确认同步"));
    box->button(QMessageBox::Yes)->setText(tr("继续同步"));
    box->button(QMessageBox::No)->setText(tr("暂不同步"));
    box->setDefaultButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_question = box;
    connect(box, &QMessageBox::finished, this, [this, box, pairId] {
        if (box->clickedButton() == box->button(QMessageBox::Yes))
            emit syncNowRequested(pairId, true);
    });
    box->open();
}

}  // namespace nubexa::pages
