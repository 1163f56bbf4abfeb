#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pages/page_context.h"
#include "pages/transfer_list_model.h"
#include "pages/transfer_menu.h"
#include "session/client_session.h"

class QLabel;
class QPushButton;
class QTableView;
class QWidget;

namespace nubexa::pages {

class DeleteTaskDialog;
class TransferListModel;
class TransferRowsRelay;

// The list of the uploading and downloading pages with its line of totals and the buttons
// "全部暂停" and "全部开始": the user's unfinished tasks of one direction, read whole from the
// queue when the page is shown, then kept up by the session's pushes (progress in place, a
// task that changed read alone), and the commands on them through the core's task commands. It
// never talks to a worker: workers learn of a pause or a deletion from their row.
//
// GUI thread only. A fill keeps the selected tasks selected and the scroll position where it
// was; a pushed change touches only its row, so that nothing is taken from under the user's
// hand.
class TransferPage : public QObject {
    Q_OBJECT
public:
    // Builds its widgets, hidden, into `parent` (the disk page's list area).
    TransferPage(const PageContext& context, QWidget* parent);

    void show(Direction page);
    void hide();
    // The list area has grown by `growth` beyond its first size: the list takes it, the
    // totals and the buttons keep to the right edge.
    void layOut(QSize growth);
    bool shown() const { return m_shown; }
    Direction direction() const { return m_page; }

    // FillTransferList: every row of the page shown from the queue, read off the GUI thread
    // and applied when they come (page switches, a change of many tasks at once).
    void refresh();
    // A read of rows is out or waits for one that is.
    bool filling() const { return m_filling || m_fullReadWanted || !m_staleTasks.empty(); }
    // A task command is out or waits for one that is.
    bool commandsPending() const { return m_commandOut; }

    // What a user does.
    std::vector<MenuEntry> menuForRow(int row);  // selects the row; empty outside any row
    void runCommand(int id);                     // on the row the menu was opened for
    void openRow(int row);                       // double-click
    void pauseAll();
    void startAll();

    QTableView* list() const { return m_list; }
    TransferListModel& model() const { return *m_model; }
    QLabel* totals() const { return m_totals; }
    QPushButton* pauseAllButton() const { return m_pauseAll; }
    QPushButton* startAllButton() const { return m_startAll; }
    // What brings the session's pushes here (tests tell it as the engine would).
    TransferRowsRelay& relay() const { return *m_relay; }
    // The delete confirmation open now, if any.
    DeleteTaskDialog* deleteDialog() const;
    // The task the last menu was opened for.
    std::int64_t selectedTask() const { return m_selected; }

signals:
    // A fill or a read of changed tasks was applied; for tests and benchmarks.
    void filled();

protected:
    // Keys on the list: Delete asks to delete the selected tasks, Enter opens a row.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The pushes, as the relay brings them.
    void applyProgress(const std::vector<TransferRowProgress>& progress);
    void applyChange(const TransferRowChange& change);
    // Starts the next read wanted, unless one is out: every row, or the tasks told changed.
    void readNext();
    // Takes what the read out found, less the tasks gone since it started.
    std::vector<TransferRow> readDone(std::vector<TransferRow> rows);
    void applyAll(std::vector<TransferRow> rows);
    void applyTasks(const std::vector<std::int64_t>& ids, std::vector<TransferRow> rows);
    void showTotals();
    void showContextMenu(const QPoint& where);
    void openFolderOf(const TransferRow& row);
    void confirmDelete(std::vector<std::int64_t> ids);
    std::vector<std::int64_t> selectedIds() const;
    // What a command on the page's tasks did.
    using CommandResult = TaskCommandResult;
    // Runs `command` off the GUI thread after those sent before it (a pause then a resume
    // arrive in that order), then refreshes the page; a row that could not be written is said.
    void sendCommand(std::function<CommandResult(ClientSession&)> command);
    void sendNextCommand();

    const PageContext m_context;
    QTableView* m_list;
    // The list's column widths: the narrow columns as wide as their words in this language.
    std::array<int, TransferListModel::kColumnCount> m_columnWidths{};
    TransferListModel* m_model;
    QLabel* m_totals;
    QPushButton* m_pauseAll;
    QPushButton* m_startAll;
    QPointer<DeleteTaskDialog> m_deleteDialog;
    Direction m_page = Direction::kUpload;
    std::int64_t m_selected = 0;
    bool m_shown = false;
    TransferRowsRelay* m_relay;
    // Of the page shown: a read for another page (or user) is not applied.
    std::uint64_t m_generation = 0;
    bool m_filling = false;  // a read is out
    bool m_fullReadWanted = false;
    std::set<std::int64_t> m_staleTasks;         // told changed, not read since
    std::vector<std::int64_t> m_tasksBeingRead;  // by the read out
    // Finished or deleted while a read was out: not taken from its result.
    std::set<std::int64_t> m_goneWhileReading;
    std::deque<std::function<CommandResult(ClientSession&)>> m_commands;
    bool m_commandOut = false;
};

}  // namespace nubexa::pages
