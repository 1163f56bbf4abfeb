#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <vector>

#include "session/sync_round.h"
#include "sync/sync_types.h"

namespace nubexa::pages {

// One sync pair as the sync-folders dialog shows it: the pair and what its last round said.
struct SyncPairRow {
    enum class State {
        kNotYet,      // no round since the client started
        kRunning,     // a round is under way
        kInStep,      // the last round did everything
        kTransfers,   // the last round queued transfers; the next one confirms them
        kAsk,         // the last round stopped at the rail: the user decides
        kPaused,      // the local folder is not there
        kUnfinished,  // something failed; the next round takes it up
        kNoListing,   // the disk folder could not be listed
    };
    SyncPair pair;
    State state = State::kNotYet;
    int waiting = 0;    // queued transfers, or (kAsk) files the round would delete or replace
    int files = 0;      // of the pair, as the last round counted them
    int conflicts = 0;  // conflict copies made since the client started
    QString problem;    // the first thing that failed in the last round
};

// The rows of the sync-folders dialog. GUI thread only; the rows change by the calls below,
// which the client makes as results arrive.
class SyncPairModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kLocal, kDisk, kMode, kState, kLastSync, kWaiting, kConflicts, kColumns };

    explicit SyncPairModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void setPairs(const std::vector<SyncPair>& pairs);
    void addPair(const SyncPair& pair);
    void removePair(std::int64_t pairId);
    void roundStarted(std::int64_t pairId);
    void roundEnded(const SyncPair& pair, const SyncRoundResult& result);

    // -1 when there is no such pair.
    int rowOf(std::int64_t pairId) const;
    const SyncPairRow& row(int index) const { return m_rows.at(static_cast<std::size_t>(index)); }

    static QString modeText(SyncMode mode);
    static QString stateText(const SyncPairRow& row);

private:
    void rowChanged(int index);

    std::vector<SyncPairRow> m_rows;
};

}  // namespace nubexa::pages
