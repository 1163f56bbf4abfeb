#include "pages/sync_folders.h"

#include <QCoreApplication>

#include "app/gui_bridge.h"
#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "app/request_runner.h"
#include "pages/sync_folders_dialog.h"
#include "pages/sync_pair_add_dialog.h"
#include "pages/sync_pair_model.h"
#include "platform/notifier.h"
#include "session/client_session.h"
#include "session/sync_keeper.h"

namespace nubexa::pages {

namespace {

constexpr const char* kAddFailed = QT_TRANSLATE_NOOP("Messages", "未能添加同步文件夹：%1");

// Why a pair was not added, in the dialog's words.
QString notAddedText(const SyncPairAdded& added) {
    using O = SyncPairAdded::Outcome;
    switch (added.outcome) {
        case O::kAdded:
            return {};
        case O::kNoSuchLocalFolder:
            return SyncFolders::tr("本地文件夹不存在");
        case O::kTopFolder:
            return SyncFolders::tr("网盘的根目录不能同步");
        case O::kNoDiskFolder:
            return added.diskMessage.empty()
                       ? SyncFolders::tr("无法新建网盘文件夹，请检查网络后重试")
                       : QString::fromStdString(added.diskMessage);
        case O::kStoreFailed:
            return SyncFolders::tr("无法写入 bin.db");
        case O::kFolderRefused:
            break;
    }
    switch (added.problem) {
        case SyncFolderProblem::kSameAsAPair:
            return SyncFolders::tr("该文件夹已在同步");
        case SyncFolderProblem::kInsideAPair:
            return SyncFolders::tr("它位于一个同步文件夹中");
        case SyncFolderProblem::kHoldsAPair:
            return SyncFolders::tr("它包含一个同步文件夹");
        case SyncFolderProblem::kDataFolder:
            return SyncFolders::tr("它是、包含或位于客户端的数据文件夹");
        case SyncFolderProblem::kNotAbsolute:
        case SyncFolderProblem::kNone:
            break;
    }
    return SyncFolders::tr("本地文件夹须为完整路径");
}

}  // namespace

// Brings the keeper's reports over to the GUI thread; dropped once the owner is gone.
class SyncFolders::RoundsToGui : public SyncKeeperListener {
public:
    RoundsToGui(app::GuiBridge& bridge, SyncFolders& owner) : m_bridge(bridge), m_owner(&owner) {}

    void roundStarted(const SyncPair& pair) override {
        const QPointer<SyncFolders> owner = m_owner;
        const std::int64_t id = pair.id;
        m_bridge.post([owner, id] {
            if (owner)
                owner->m_model->roundStarted(id);
        });
    }
    void roundEnded(const SyncPair& pair, const SyncRoundResult& result) override {
        const QPointer<SyncFolders> owner = m_owner;
        m_bridge.post([owner, pair, result] {
            if (!owner)
                return;
            owner->m_model->roundEnded(pair, result);
            if (result.end == SyncRoundResult::End::kAsk && owner->m_dialog &&
                owner->m_dialog->isVisible())
                owner->m_dialog->askToGoAhead(pair.id);
        });
    }

private:
    app::GuiBridge& m_bridge;
    QPointer<SyncFolders> m_owner;
};

SyncFolders* SyncFolders::installInto(app::CMainWnd& client) {
    auto* folders = new SyncFolders(client);
    if (client.mainFrame())
        folders->start(client.mainFrame());
    return folders;
}

SyncFolders::SyncFolders(app::CMainWnd& client)
    : QObject(&client),
      m_client(client),
      m_model(new SyncPairModel(this)),
      m_checkMinutes(SyncPairs::kDefaultCheckMinutes) {
    connect(&client, &app::CMainWnd::mainWindowBuilt, this, &SyncFolders::start);
    connect(&client, &app::CMainWnd::windowsClosing, this, &SyncFolders::stop);
    connect(&client, &app::CMainWnd::syncFoldersRequested, this, &SyncFolders::openDialog);
    connect(&client, &app::CMainWnd::queueTicked, this, &SyncFolders::keepIfQueueTaken);
    // The transfers a round queued have moved: the disk is looked at again at once.
    connect(&client.bridge(), &app::GuiBridge::transferEnded, this, [this] {
        if (m_keeper)
            m_keeper->transfersMoved();
    });
}

SyncFoldersDialog* SyncFolders::dialog() const {
    return m_dialog;
}

SyncFolders::~SyncFolders() {
    stop();
}

void SyncFolders::start(app::MainFrame* /*frame*/) {
    stop();
    ClientSession& session = m_client.session();
    m_client.requests().run<std::optional<std::vector<SyncPair>>>(
        this, [&session] { return SyncPairs(session).list(); },
        [this](const std::optional<std::vector<SyncPair>>& pairs) {
            if (pairs)
                m_model->setPairs(*pairs);
        });
    m_client.requests().run<std::optional<int>>(
        this, [&session] { return SyncPairs(session).checkMinutes(); },
        [this](const std::optional<int>& minutes) {
            m_checkMinutes = minutes.value_or(SyncPairs::kDefaultCheckMinutes);
            if (m_dialog)
                m_dialog->showCheckMinutes(m_checkMinutes);
        });
    keepIfQueueTaken();
}

void SyncFolders::keepIfQueueTaken() {
    // Another program moving this bin.db's queue syncs with it; the client may take the queue
    // over at a later tick.
    if (m_keeper || !m_client.mainFrame() || !m_client.drivesQueue())
        return;
    SyncKeeperOptions options;
    options.round.driveQueue = false;
    m_rounds = std::make_unique<RoundsToGui>(m_client.bridge(), *this);
    m_keeper = std::make_unique<SyncKeeper>(m_client.session(), m_noView, options, *m_rounds);
    m_keeper->start();
    if (m_dialog)
        m_dialog->setRoundsRunHere(true);
}

void SyncFolders::stop() {
    if (m_dialog)
        m_dialog->close();
    // Joins the round under way (it stops between steps); before the session stops.
    m_keeper.reset();
    m_rounds.reset();
    m_model->setPairs({});  // the next user's pairs are read afresh
}

void SyncFolders::openDialog() {
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    QWidget* owner = m_client.mainFrame();
    if (!owner)
        return;
    auto* dialog = new SyncFoldersDialog(*m_model, owner);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setRoundsRunHere(keeping());
    m_dialog = dialog;
    connect(dialog, &SyncFoldersDialog::addRequested, this, &SyncFolders::openAddDialog);
    connect(dialog, &SyncFoldersDialog::removeRequested, this, &SyncFolders::removePair);
    connect(dialog, &SyncFoldersDialog::syncNowRequested, this, &SyncFolders::syncNow);
    connect(dialog, &SyncFoldersDialog::checkMinutesChosen, this, &SyncFolders::setCheckMinutes);
    dialog->showCheckMinutes(m_checkMinutes);
    dialog->show();
    // A round that stopped at the rail while the dialog was closed asks now.
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->row(row).state == SyncPairRow::State::kAsk) {
            dialog->askToGoAhead(m_model->row(row).pair.id);
            break;
        }
    }
}

void SyncFolders::openAddDialog() {
    if (!m_dialog)
        return;
    auto* add = new SyncPairAddDialog(m_client.picker(), m_client.notifier(), m_dialog);
    add->setAttribute(Qt::WA_DeleteOnClose);
    connect(add, &SyncPairAddDialog::pairChosen, this, &SyncFolders::addPair);
    connect(add, &SyncPairAddDialog::diskFoldersWanted, this, [this, add = QPointer(add)] {
        ClientSession& session = m_client.session();
        m_client.requests().run<ServiceResult<FolderTree>>(
            this, [&session] { return session.disk().folderTree(); },
            [add](const ServiceResult<FolderTree>& tree) {
                if (add)
                    add->showDiskFolders(tree);
            });
    });
    add->open();
}

void SyncFolders::addPair(const SyncPairFields& fields) {
    ClientSession& session = m_client.session();
    m_client.requests().run<SyncPairAdded>(
        this,
        [&session, fields] {
            return SyncPairs(session).addAtPath(fields.localFolder, fields.diskFolder, fields.mode);
        },
        [this](const SyncPairAdded& added) {
            if (added.outcome != SyncPairAdded::Outcome::kAdded) {
                m_client.notifier().showMessage(tr("同步文件夹").toStdString(),
                                                QCoreApplication::translate("Messages", kAddFailed)
                                                    .arg(notAddedText(added))
                                                    .toStdString());
                return;
            }
            m_model->addPair(added.pair);
            if (m_keeper) {
                m_keeper->pairsChanged();
                m_keeper->syncNow(added.id);
            }
        });
}

void SyncFolders::removePair(std::int64_t pairId) {
    ClientSession& session = m_client.session();
    m_client.requests().run<bool>(
        this, [&session, pairId] { return SyncPairs(session).remove(pairId); },
        [this, pairId](bool removed) {
            if (!removed)
                return;
            m_model->removePair(pairId);
            if (m_keeper)
                m_keeper->pairsChanged();
        });
}

void SyncFolders::setCheckMinutes(int minutes) {
    ClientSession& session = m_client.session();
    m_client.requests().run<bool>(
        this, [&session, minutes] { return SyncPairs(session).setCheckMinutes(minutes); },
        [this, minutes](bool stored) {
            if (!stored) {
                if (m_dialog)
                    m_dialog->showCheckMinutes(m_checkMinutes);  // still the one that holds
                return;
            }
            m_checkMinutes = minutes;
            if (m_keeper)
                m_keeper->pairsChanged();  // the keeper reads the interval again
        });
}

void SyncFolders::syncNow(std::int64_t pairId, bool confirmed) {
    if (m_keeper)
        m_keeper->syncNow(pairId, confirmed);
}

}  // namespace nubexa::pages
