#include "pages/sync_pair_model.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>

#include "pages/transfer_words.h"

namespace nubexa::pages {

namespace {

QString fromNarrow(const std::string& text) {
    return QString::fromStdString(text);
}

constexpr const char* kModelContext = "nubexa::pages::SyncPairModel";

// The fixed reasons a round gives for a file it could not carry out.
constexpr const char* kRoundReasons[] = {
    QT_TRANSLATE_NOOP("nubexa::pages::SyncPairModel", "文件在同步时被修改"),
    QT_TRANSLATE_NOOP("nubexa::pages::SyncPairModel", "冲突副本已存在"),
    QT_TRANSLATE_NOOP("nubexa::pages::SyncPairModel", "无法创建网盘文件夹"),
    QT_TRANSLATE_NOOP("nubexa::pages::SyncPairModel", "未能加入上传队列"),
    QT_TRANSLATE_NOOP("nubexa::pages::SyncPairModel", "未能加入下载队列"),
    QT_TRANSLATE_NOOP("nubexa::pages::SyncPairModel", "文件名经过转换，不能从网盘更新"),
    QT_TRANSLATE_NOOP("nubexa::pages::SyncPairModel", "回收站无法写入"),
    QT_TRANSLATE_NOOP("nubexa::pages::SyncPairModel", "回收站中同名文件过多"),
};

// A round's own reasons, else a transfer's, which the notifier's messages carry.
QString roundReason(const std::string& why) {
    const QString own = knownWords(kModelContext, kRoundReasons, why);
    if (own != QString::fromStdString(why))
        return own;
    return QCoreApplication::translate("Messages", why.c_str());
}

}  // namespace

SyncPairModel::SyncPairModel(QObject* parent) : QAbstractTableModel(parent) {}

int SyncPairModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int SyncPairModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QString SyncPairModel::modeText(SyncMode mode) {
    switch (mode) {
        case SyncMode::kBackup:
            return tr("备份");
        case SyncMode::kMirror:
            return tr("镜像");
        case SyncMode::kTwoWay:
            return tr("双向");
    }
    return {};
}

QString SyncPairModel::stateText(const SyncPairRow& row) {
    using S = SyncPairRow::State;
    switch (row.state) {
        case S::kNotYet:
            return tr("等待同步");
        case S::kRunning:
            return tr("正在同步");
        case S::kInStep:
            return tr("已同步");
        case S::kTransfers:
            return tr("正在传输");
        case S::kAsk:
            return tr("需要确认：将删除或替换 %1 个文件（共 %2 个）")
                .arg(row.waiting)
                .arg(row.files);
        case S::kPaused:
            return tr("已暂停：本地文件夹不存在");
        case S::kUnfinished:
            return row.problem.isEmpty() ? tr("未全部完成，下一轮继续")
                                         : tr("未全部完成：%1").arg(row.problem);
        case S::kNoListing:
            return tr("无法列出网盘文件夹");
    }
    return {};
}

QVariant SyncPairModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const SyncPairRow& shown = row(index.row());
    if (role == Qt::ToolTipRole && index.column() == kState)
        return stateText(shown);
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    switch (index.column()) {
        case kLocal:
            return QDir::toNativeSeparators(fromNarrow(shown.pair.localFolder));
        case kDisk:
            return fromNarrow(shown.pair.remotePath);
        case kMode:
            return modeText(shown.pair.mode);
        case kState:
            return stateText(shown);
        case kLastSync:
            return shown.pair.lastSyncAt == 0 ? tr("从未")
                                              : QDateTime::fromSecsSinceEpoch(shown.pair.lastSyncAt)
                                                    .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        case kWaiting:
            return shown.state == SyncPairRow::State::kTransfers ? shown.waiting : 0;
        case kConflicts:
            return shown.conflicts;
        default:
            return {};
    }
}

QVariant SyncPairModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
        case kLocal:
            return tr("本地文件夹");
        case kDisk:
            return tr("网盘文件夹");
        case kMode:
            return tr("模式");
        case kState:
            return tr("状态");
        case kLastSync:
            return tr("上次同步");
        case kWaiting:
            return tr("待传输");
        case kConflicts:
            return tr("冲突");
        default:
            return {};
    }
}

void SyncPairModel::setPairs(const std::vector<SyncPair>& pairs) {
    beginResetModel();
    std::vector<SyncPairRow> rows;
    for (const SyncPair& pair : pairs) {
        const int known = rowOf(pair.id);
        SyncPairRow row = known < 0 ? SyncPairRow{} : m_rows[static_cast<std::size_t>(known)];
        row.pair = pair;
        rows.push_back(row);
    }
    m_rows = std::move(rows);
    endResetModel();
}

void SyncPairModel::addPair(const SyncPair& pair) {
    if (rowOf(pair.id) >= 0)
        return;
    const int at = rowCount();
    beginInsertRows({}, at, at);
    SyncPairRow row;
    row.pair = pair;
    m_rows.push_back(std::move(row));
    endInsertRows();
}

void SyncPairModel::removePair(std::int64_t pairId) {
    const int at = rowOf(pairId);
    if (at < 0)
        return;
    beginRemoveRows({}, at, at);
    m_rows.erase(m_rows.begin() + at);
    endRemoveRows();
}

void SyncPairModel::roundStarted(std::int64_t pairId) {
    const int at = rowOf(pairId);
    if (at < 0)
        return;
    m_rows[static_cast<std::size_t>(at)].state = SyncPairRow::State::kRunning;
    rowChanged(at);
}

void SyncPairModel::roundEnded(const SyncPair& pair, const SyncRoundResult& result) {
    const int at = rowOf(pair.id);
    if (at < 0)
        return;  // removed while its round ran
    SyncPairRow& row = m_rows[static_cast<std::size_t>(at)];
    using End = SyncRoundResult::End;
    using S = SyncPairRow::State;
    row.pair.lastSyncAt = pair.lastSyncAt;
    row.conflicts += result.conflicts;
    row.files = result.files;
    row.waiting = 0;
    row.problem.clear();
    if (!result.problems.empty()) {
        row.problem = fromNarrow(result.problems.front().first) + QStringLiteral(": ") +
                      roundReason(result.problems.front().second);
    }
    switch (result.end) {
        case End::kDone:
            row.state = S::kInStep;
            break;
        case End::kUnfinished:
            row.state =
                result.awaitsTransfers && result.failed == 0 ? S::kTransfers : S::kUnfinished;
            row.waiting = result.uploaded + result.downloaded;
            break;
        case End::kAsk:
            row.state = S::kAsk;
            row.waiting = result.destructive;
            break;
        case End::kPaused:
            row.state = S::kPaused;
            break;
        case End::kListingFailed:
            row.state = S::kNoListing;
            break;
        case End::kStoreFailed:
        case End::kInterrupted:
            row.state = S::kUnfinished;
            break;
    }
    rowChanged(at);
}

int SyncPairModel::rowOf(std::int64_t pairId) const {
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].pair.id == pairId)
            return static_cast<int>(i);
    }
    return -1;
}

void SyncPairModel::rowChanged(int index) {
    emit dataChanged(this->index(index, 0), this->index(index, kColumns - 1));
}

}  // namespace nubexa::pages
