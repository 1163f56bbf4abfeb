#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <memory>

#include "transfer/transfer_view.h"

namespace nubexa {
class SyncKeeper;
}

namespace nubexa::app {
class CMainWnd;
class MainFrame;
}  // namespace nubexa::app

namespace nubexa::pages {

class SyncFoldersDialog;
class SyncPairModel;
struct SyncPairFields;

// The desktop's sync folders: while a user is signed in and this client drives the queue, a
// keeper runs the pairs' rounds on its own thread (the queue moves their transfers, which the
// transfer pages show); results come back through the client's bridge into one model, which
// the sync-folders dialog shows. Owned by the client; GUI thread only.
class SyncFolders : public QObject {
    Q_OBJECT
public:
    static SyncFolders* installInto(app::CMainWnd& client);
    ~SyncFolders() override;

    SyncPairModel& model() { return *m_model; }
    SyncFoldersDialog* dialog() const;
    // Whether rounds run (a user is signed in and this client drives the queue).
    bool keeping() const { return m_keeper != nullptr; }

    void openDialog();
    void addPair(const SyncPairFields& fields);
    void removePair(std::int64_t pairId);
    void syncNow(std::int64_t pairId, bool confirmed);
    void setCheckMinutes(int minutes);
    int checkMinutes() const { return m_checkMinutes; }

private:
    class RoundsToGui;
    explicit SyncFolders(app::CMainWnd& client);

    void start(app::MainFrame* frame);
    void keepIfQueueTaken();
    void stop();
    void openAddDialog();

    app::CMainWnd& m_client;
    SyncPairModel* m_model;
    NoTransferView m_noView;  // the rounds leave the queue to the client, which shows it
    std::unique_ptr<RoundsToGui> m_rounds;
    std::unique_ptr<SyncKeeper> m_keeper;
    QPointer<SyncFoldersDialog> m_dialog;
    int m_checkMinutes;  // as bin.db holds it
};

}  // namespace nubexa::pages
