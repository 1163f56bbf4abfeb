#include "pages/transfer_page.h"

#include <algorithm>

#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QUrl>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "app/colour_scheme.h"
#include "app/picture_cache.h"
#include "app/request_runner.h"
#include "pages/delete_task_dialog.h"
#include "pages/page_list.h"
#include "pages/page_rects.h"
#include "pages/progress_delegate.h"
#include "pages/transfer_list_model.h"
#include "pages/transfer_rows_relay.h"
#include "pages/transfer_words.h"
#include "picture_catalog.h"
#include "platform/browser.h"
#include "platform/notifier.h"
#include "session/client_session.h"

namespace nubexa::pages {

namespace rects = page_rects;

namespace {

// Two lines per row: the speed and, under it, the time left.
constexpr int kRowHeight = 34;

// The list's column widths for `list`'s fonts: the state and speed columns widen to their
// longest words (English states, a speed of tens of MB/s), taken from the local file's column,
// so that the list keeps its width.
std::array<int, TransferListModel::kColumnCount> fittedColumnWidths(const QTableView& list) {
    std::array<int, TransferListModel::kColumnCount> widths;
    std::copy(std::begin(TransferListModel::kColumnWidths),
              std::end(TransferListModel::kColumnWidths), widths.begin());
    constexpr int kPadding = 10;
    const QFontMetrics body(list.font());
    int state = body.horizontalAdvance(
        list.model()->headerData(TransferListModel::kState, Qt::Horizontal).toString());
    for (const QString& word : transferStateWords())
        state = std::max(state, body.horizontalAdvance(word));
    QFont narrowFont = list.font();
    narrowFont.setPixelSize(11);  // as the model gives the size and speed columns
    const int speed = QFontMetrics(narrowFont).horizontalAdvance(QStringLiteral("88888 KB/S"));
    int taken = 0;
    for (const auto& [column, needed] : {std::pair{TransferListModel::kState, state + kPadding},
                                         std::pair{TransferListModel::kSpeed, speed + kPadding}}) {
        taken += std::max(0, needed - widths[column]);
        widths[column] = std::max(widths[column], needed);
    }
    widths[TransferListModel::kLocal] -= taken;
    return widths;
}
constexpr const char* kNotWritten =
    QT_TRANSLATE_NOOP("Messages", "操作失败，请检查 bin.db 是否可写");

QPushButton* pageButton(const QString& text, const QRect& where, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(where);
    button->setAccessibleName(text);
    button->setCursor(Qt::PointingHandCursor);
    // Reached with Tab; a click leaves the focus in the list.
    button->setFocusPolicy(Qt::TabFocus);
    app::setSchemeStyleSheet(button,
                             [](const app::SchemeColours& c) { return app::accentButtonRules(c); });
    button->hide();
    return button;
}

}  // namespace

TransferPage::TransferPage(const PageContext& context, QWidget* parent)
    : QObject(parent),
      m_context(context),
      m_list(new QTableView(parent)),
      m_model(new TransferListModel(
          [&cache = context.pictures](int index) {
              return QIcon(cache.picture(QString::fromLatin1(pictures::kFileIcons[index].path)));
          },
          this)),
      m_totals(new QLabel(parent)),
      m_pauseAll(pageButton(tr("全部暂停"), rects::kPauseAll, parent)),
      m_startAll(pageButton(tr("全部开始"), rects::kStartAll, parent)),
      m_relay(new TransferRowsRelay(context.session, this)) {
    m_list->setModel(m_model);
    m_list->setItemDelegate(new ProgressDelegate(
        TransferListModel::kProgress, TransferListModel::kSize, TransferListModel::kSpeed, m_list));
    m_list->setGeometry(rects::kList);
    m_columnWidths = fittedColumnWidths(*m_list);
    setUpList(m_list, tr("传输列表"), kRowHeight, m_columnWidths.data(),
              TransferListModel::kColumnCount);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->hide();
    m_list->installEventFilter(this);
    connect(m_list, &QTableView::customContextMenuRequested, this, &TransferPage::showContextMenu);
    connect(m_list, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { openRow(index.row()); });

    m_totals->setAccessibleName(tr("传输合计"));
    m_totals->setGeometry(rects::kTransferTotals);
    app::setSchemeStyleSheet(m_totals, [](const app::SchemeColours& c) {
        return QStringLiteral("color: %1;").arg(c.mutedText.name());
    });
    m_totals->hide();
    connect(m_pauseAll, &QPushButton::clicked, this, &TransferPage::pauseAll);
    connect(m_startAll, &QPushButton::clicked, this, &TransferPage::startAll);
    connect(m_relay, &TransferRowsRelay::progressed, this, &TransferPage::applyProgress);
    connect(m_relay, &TransferRowsRelay::changed, this, &TransferPage::applyChange);
}

void TransferPage::show(Direction page) {
    // Another direction's rows do not stay on screen while the new ones are read, nor do the
    // commands for them.
    if (page != m_page) {
        m_model->setRows({}, page);
        m_page = page;
        showTotals();
    }
    m_page = page;
    m_shown = true;
    ++m_generation;
    m_staleTasks.clear();
    for (QWidget* widget : {static_cast<QWidget*>(m_list), static_cast<QWidget*>(m_totals),
                            static_cast<QWidget*>(m_pauseAll), static_cast<QWidget*>(m_startAll)})
        widget->show();
    refresh();
}

void TransferPage::hide() {
    m_shown = false;
    m_fullReadWanted = false;
    m_staleTasks.clear();
    for (QWidget* widget : {static_cast<QWidget*>(m_list), static_cast<QWidget*>(m_totals),
                            static_cast<QWidget*>(m_pauseAll), static_cast<QWidget*>(m_startAll)})
        widget->hide();
}

void TransferPage::layOut(QSize growth) {
    m_list->setGeometry(rects::grown(rects::kList, growth));
    m_list->setColumnWidth(TransferListModel::kLocal,
                           m_columnWidths[TransferListModel::kLocal] + growth.width());
    m_totals->setGeometry(rects::keptRight(rects::kTransferTotals, growth));
    // Each button is at least as wide as its words; a wider one grows to the left.
    const QRect start = rects::atLeastWide(rects::keptRight(rects::kStartAll, growth),
                                           m_startAll->sizeHint().width());
    m_startAll->setGeometry(start);
    QRect pause = rects::kPauseAll;
    pause.moveRight(start.left() - (rects::kStartAll.left() - rects::kPauseAll.right()));
    m_pauseAll->setGeometry(rects::atLeastWide(pause, m_pauseAll->sizeHint().width()));
}

void TransferPage::refresh() {
    if (!m_shown)
        return;
    m_fullReadWanted = true;
    readNext();
}

void TransferPage::readNext() {
    if (!m_shown || m_filling || (!m_fullReadWanted && m_staleTasks.empty()))
        return;
    m_filling = true;
    const std::uint64_t generation = m_generation;
    ClientSession& session = m_context.session;
    const Direction page = m_page;
    if (std::exchange(m_fullReadWanted, false)) {
        m_staleTasks.clear();  // read with the rest
        m_context.requests.run<std::shared_ptr<std::vector<TransferRow>>>(
            this,
            [&session, page] {
                return std::make_shared<std::vector<TransferRow>>(session.transferRows(page));
            },
            [this, generation](std::shared_ptr<std::vector<TransferRow>> rows) {
                std::vector<TransferRow> found = readDone(std::move(*rows));
                if (generation == m_generation && m_shown)
                    applyAll(std::move(found));
                readNext();
            });
        return;
    }
    m_tasksBeingRead.assign(m_staleTasks.begin(), m_staleTasks.end());
    m_staleTasks.clear();
    m_context.requests.run<std::shared_ptr<std::vector<TransferRow>>>(
        this,
        [&session, page, ids = m_tasksBeingRead] {
            return std::make_shared<std::vector<TransferRow>>(session.transferRowsOf(page, ids));
        },
        [this, generation](std::shared_ptr<std::vector<TransferRow>> rows) {
            std::vector<std::int64_t> ids = std::exchange(m_tasksBeingRead, {});
            std::erase_if(ids, [this](std::int64_t id) { return m_goneWhileReading.count(id); });
            std::vector<TransferRow> found = readDone(std::move(*rows));
            if (generation == m_generation && m_shown)
                applyTasks(ids, std::move(found));
            readNext();
        });
}

std::vector<TransferRow> TransferPage::readDone(std::vector<TransferRow> rows) {
    m_filling = false;
    const std::set<std::int64_t> gone = std::exchange(m_goneWhileReading, {});
    std::erase_if(rows, [&gone](const TransferRow& row) { return gone.count(row.id) > 0; });
    return rows;
}

void TransferPage::applyProgress(const std::vector<TransferRowProgress>& progress) {
    if (!m_shown)
        return;
    bool any = false;
    for (const TransferRowProgress& step : progress) {
        if (step.direction == m_page)
            any = m_model->updateTask(step) || any;
    }
    if (any)
        showTotals();
}

void TransferPage::applyChange(const TransferRowChange& change) {
    using Kind = TransferRowChange::Kind;
    // A hidden page reads everything when shown again.
    if (!m_shown || (change.direction && *change.direction != m_page))
        return;
    if (change.taskId == 0) {
        refresh();
        return;
    }
    if (change.kind == Kind::kFinished || change.kind == Kind::kRemoved) {
        if (m_model->removeTask(change.taskId))
            showTotals();
        // For good: a read out may still have found it.
        m_staleTasks.erase(change.taskId);
        if (m_filling)
            m_goneWhileReading.insert(change.taskId);
        return;
    }
    m_staleTasks.insert(change.taskId);
    readNext();
}

void TransferPage::applyTasks(const std::vector<std::int64_t>& ids, std::vector<TransferRow> rows) {
    for (const std::int64_t id : ids) {
        const auto found = std::find_if(rows.begin(), rows.end(),
                                        [id](const TransferRow& row) { return row.id == id; });
        if (found == rows.end())
            m_model->removeTask(id);  // finished, deleted, or not of this page
        else if (!m_model->updateTask(*found))
            m_model->insertTask(std::move(*found));
    }
    showTotals();
    emit filled();
}

void TransferPage::showTotals() {
    m_totals->setText(totalsLine(sumRows(m_model->rows()), m_page));
    const bool any = !m_model->rows().empty();
    m_pauseAll->setEnabled(any);
    m_startAll->setEnabled(any);
}

void TransferPage::applyAll(std::vector<TransferRow> rows) {
    // A reset forgets the selection and the scroll position: both are taken by task, not by
    // row number, and given back.
    std::unordered_set<std::int64_t> selected;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows()) {
        if (const TransferRow* row = m_model->rowAt(index.row()))
            selected.insert(row->id);
    }
    const TransferRow* current = m_model->rowAt(m_list->currentIndex().row());
    const std::int64_t currentId = current ? current->id : 0;
    const int scroll = m_list->verticalScrollBar()->value();
    if (m_model->setRows(std::move(rows), m_page)) {
        QItemSelection selection;
        int currentRow = -1;
        const auto& shown = m_model->rows();
        for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
            const std::int64_t id = shown[static_cast<std::size_t>(i)].id;
            if (selected.count(id))
                selection.select(m_model->index(i, 0),
                                 m_model->index(i, TransferListModel::kColumnCount - 1));
            if (id == currentId)
                currentRow = i;
        }
        if (currentRow >= 0) {
            m_list->selectionModel()->setCurrentIndex(m_model->index(currentRow, 0),
                                                      QItemSelectionModel::NoUpdate);
        }
        m_list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        m_list->doItemsLayout();
        m_list->verticalScrollBar()->setValue(scroll);
    }
    showTotals();
    emit filled();
}

std::vector<MenuEntry> TransferPage::menuForRow(int row) {
    const TransferRow* shown = m_model->rowAt(row);
    if (!m_shown || !shown)
        return {};
    m_selected = shown->id;
    m_list->selectionModel()->setCurrentIndex(
        m_model->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return transferMenu(*shown, m_page);
}

void TransferPage::showContextMenu(const QPoint& where) {
    popUpRowMenu(
        m_list, where, [this](int row) { return menuForRow(row); },
        [this](int id) { runCommand(id); });
}

void TransferPage::runCommand(int id) {
    if (!m_shown || m_selected <= 0)
        return;
    const std::int64_t task = m_selected;
    switch (id) {
        case kCommandPause:
            sendCommand([task](ClientSession& session) { return session.pauseTask(task); });
            return;
        case kCommandResume:
            sendCommand([task](ClientSession& session) { return session.resumeTask(task); });
            return;
        case kCommandDelete:
            confirmDelete({m_selected});
            return;
        case kCommandOpenFolder:
            for (const TransferRow& row : m_model->rows()) {
                if (row.id == m_selected)
                    openFolderOf(row);
            }
            return;
        default:
            return;
    }
}

void TransferPage::sendCommand(std::function<CommandResult(ClientSession&)> command) {
    m_commands.push_back(std::move(command));
    if (!m_commandOut)
        sendNextCommand();
}

void TransferPage::sendNextCommand() {
    if (m_commands.empty()) {
        m_commandOut = false;
        return;
    }
    m_commandOut = true;
    auto command = std::move(m_commands.front());
    m_commands.pop_front();
    ClientSession& session = m_context.session;
    m_context.requests.run<CommandResult>(
        this, [&session, command] { return command(session); },
        [this](CommandResult result) {
            // What was written is pushed to the page; a row that could not be written would
            // otherwise look as if the command had been ignored.
            if (result == CommandResult::kNotWritten)
                m_context.notifier.showMessage({}, kNotWritten);
            sendNextCommand();
        });
}

DeleteTaskDialog* TransferPage::deleteDialog() const {
    return m_deleteDialog;
}

void TransferPage::confirmDelete(std::vector<std::int64_t> ids) {
    if (m_deleteDialog || ids.empty())
        return;
    auto* dialog = new DeleteTaskDialog(m_list->window());
    m_deleteDialog = dialog;
    connect(dialog, &DeleteTaskDialog::confirmed, this, [this, ids] {
        sendCommand([ids](ClientSession& session) {
            CommandResult result = CommandResult::kDone;
            for (const std::int64_t id : ids) {
                if (session.removeTask(id) == CommandResult::kNotWritten)
                    result = CommandResult::kNotWritten;
            }
            return result;
        });
    });
    // Centred on the list, as a question about it.
    const QPoint centre = m_list->mapTo(m_list->window(), m_list->rect().center());
    dialog->move(m_list->window()->mapToGlobal(centre) -
                 QPoint(DeleteTaskDialog::kSize.width() / 2, DeleteTaskDialog::kSize.height() / 2));
    dialog->open();
}

std::vector<std::int64_t> TransferPage::selectedIds() const {
    std::vector<std::int64_t> ids;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows()) {
        if (const TransferRow* shown = m_model->rowAt(index.row()))
            ids.push_back(shown->id);
    }
    return ids;
}

bool TransferPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_list || event->type() != QEvent::KeyPress || !m_shown)
        return QObject::eventFilter(watched, event);
    if (openRowMenuFromKeyboard(m_list, static_cast<QKeyEvent*>(event)))
        return true;
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Delete:
            confirmDelete(selectedIds());
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            openRow(m_list->currentIndex().row());
            return true;
        default:
            return QObject::eventFilter(watched, event);
    }
}

void TransferPage::openRow(int row) {
    const TransferRow* shown = m_model->rowAt(row);
    if (m_shown && shown && m_page == Direction::kDownload)
        openFolderOf(*shown);
}

void TransferPage::openFolderOf(const TransferRow& row) {
    if (row.task.localPath.empty())
        return;
    const QUrl folder = QUrl::fromLocalFile(QString::fromStdString(row.task.localPath));
    m_context.browser.openUrl(folder.toString(QUrl::FullyEncoded).toStdString());
}

void TransferPage::pauseAll() {
    if (!m_shown)
        return;
    // The page's tasks as they are when the command runs, not as the last refresh saw them.
    sendCommand([page = m_page](ClientSession& session) {
        session.pauseAllTasks(page);
        return CommandResult::kDone;
    });
}

void TransferPage::startAll() {
    if (!m_shown)
        return;
    sendCommand([page = m_page](ClientSession& session) {
        session.startAllTasks(page);
        return CommandResult::kDone;
    });
}

}  // namespace nubexa::pages
