#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <cstdint>

class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;

namespace nubexa::pages {

class SyncPairModel;

// The sync folders: the pairs with their mode, state, last sync, what waits and conflicts;
// add, remove and "立即同步". It only asks; the owner does the work and updates the model.
// GUI thread only.
class SyncFoldersDialog : public QDialog {
    Q_OBJECT
public:
    SyncFoldersDialog(SyncPairModel& model, QWidget* parent = nullptr);

    // False where another program drives this computer's queue and syncs with it: the pairs
    // are shown, rounds are not started from here.
    void setRoundsRunHere(bool here);
    // A round of `pairId` stopped at the rail: asks whether it may go ahead.
    void askToGoAhead(std::int64_t pairId);
    // Shows how often the disk is looked at, without saying it was chosen.
    void showCheckMinutes(int minutes);

    QTableView* table() const { return m_table; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* removeButton() const { return m_remove; }
    QPushButton* syncNowButton() const { return m_syncNow; }
    QSpinBox* checkMinutesBox() const { return m_checkMinutes; }
    // The open question about the rail; null when none is open.
    QMessageBox* question() const { return m_question; }

signals:
    void addRequested();
    void removeRequested(std::int64_t pairId);
    // confirmed: the user said yes to what the round would delete or replace.
    void syncNowRequested(std::int64_t pairId, bool confirmed);
    void checkMinutesChosen(int minutes);

private:
    // -1 without a selection.
    int selectedRow() const;
    void updateButtons();
    void syncSelected();

    SyncPairModel& m_model;
    QLabel* m_hint;
    QTableView* m_table;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_syncNow;
    QPushButton* m_close;
    QLabel* m_checkLabel;
    QSpinBox* m_checkMinutes;
    QPointer<QMessageBox> m_question;
    bool m_roundsHere = true;
};

}  // namespace nubexa::pages
