#include "pages/transfer_list_model.h"

#include <QFont>
#include <QTextDocument>
#include <algorithm>
#include <string>

#include "pages/disk_rows.h"
#include "pages/transfer_words.h"

namespace nubexa::pages {

namespace {

QString shownText(const std::string& value) {
    return QString::fromStdString(value);
}

bool sameTasks(const std::vector<TransferRow>& a, const std::vector<TransferRow>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const TransferRow& x, const TransferRow& y) { return x.id == y.id; });
}

}  // namespace

TransferListModel::TransferListModel(IconAt iconAt, QObject* parent)
    : QAbstractTableModel(parent), m_iconAt(std::move(iconAt)) {}

bool TransferListModel::setRows(std::vector<TransferRow> rows, Direction page) {
    if (page == m_page && sameTasks(rows, m_rows)) {
        m_rows = std::move(rows);
        std::fill(m_shown.begin(), m_shown.end(), std::nullopt);
        if (!m_rows.empty())
            emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
        return false;
    }
    beginResetModel();
    m_rows = std::move(rows);
    m_shown.assign(m_rows.size(), std::nullopt);
    m_page = page;
    endResetModel();
    return true;
}

int TransferListModel::rowOf(std::int64_t id) const {
    const auto found = std::find_if(m_rows.begin(), m_rows.end(),
                                    [id](const TransferRow& row) { return row.id == id; });
    return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
}

void TransferListModel::rowChanged(int row) {
    m_shown[static_cast<std::size_t>(row)].reset();
    emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

bool TransferListModel::updateTask(const TransferRowProgress& progress) {
    const int row = rowOf(progress.taskId);
    if (row < 0 || m_rows[static_cast<std::size_t>(row)].task.status != "1")
        return false;
    TransferRow& shown = m_rows[static_cast<std::size_t>(row)];
    TaskListRow task = std::move(shown.task);
    task.fileSize = std::to_string(progress.bytes);
    task.transferSize = std::to_string(progress.done);
    task.speed = std::to_string(progress.speedKBps);
    task.scheduleValue = progress.percent;
    task.schedule = std::to_string(progress.percent);
    shown = makeTransferRow(std::move(task));
    rowChanged(row);
    return true;
}

bool TransferListModel::updateTask(TransferRow row) {
    const int at = rowOf(row.id);
    if (at < 0)
        return false;
    m_rows[static_cast<std::size_t>(at)] = std::move(row);
    rowChanged(at);
    return true;
}

void TransferListModel::insertTask(TransferRow row) {
    const auto before = std::find_if(m_rows.begin(), m_rows.end(),
                                     [&](const TransferRow& shown) { return shown.id > row.id; });
    const int at = static_cast<int>(before - m_rows.begin());
    beginInsertRows({}, at, at);
    m_rows.insert(before, std::move(row));
    m_shown.insert(m_shown.begin() + at, std::nullopt);
    endInsertRows();
}

bool TransferListModel::removeTask(std::int64_t id) {
    const int row = rowOf(id);
    if (row < 0)
        return false;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    m_shown.erase(m_shown.begin() + row);
    endRemoveRows();
    return true;
}

const TransferRow* TransferListModel::rowAt(int row) const {
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return nullptr;
    return &m_rows[static_cast<std::size_t>(row)];
}

const ShownTransfer& TransferListModel::shown(int row) const {
    auto& cached = m_shown[static_cast<std::size_t>(row)];
    if (!cached)
        cached = showTransfer(m_rows[static_cast<std::size_t>(row)], m_page);
    return *cached;
}

int TransferListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TransferListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant TransferListModel::data(const QModelIndex& index, int role) const {
    const TransferRow* row = rowAt(index.row());
    if (!row)
        return {};
    const ShownTransfer& texts = shown(index.row());
    const TransferPageRow& shown = texts.columns;
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case kLocal:
                    return shownText(shown.localInfo);
                case kRemote:
                    return shownText(shown.remoteInfo);
                case kSize:
                    return shownText(shown.size);
                case kProgress:
                    return shown.progress;
                case kSpeed:
                    return shownText(shown.speed);
                case kId:
                    return shownText(shown.id);
                case kStatus:
                    return shownText(shown.status);
                case kState:
                    return transferWords(shown.state);
                default:
                    return {};
            }
        case kPercentRole:
            return std::clamp(shown.progress, 0, 100);
        case kDetailRole:
            return transferWords(texts.detail);
        case Qt::DecorationRole:
            // The icon the disk page shows for a file of that name.
            if (index.column() != kLocal || !m_iconAt)
                return {};
            return m_iconAt(fileIconIndexOfName(row->task.localFileName));
        case Qt::ToolTipRole:
            if (index.column() == kState || index.column() == kSpeed) {
                // The reason is the service's (or the system's) words: never markup.
                if (!shown.reason.empty())
                    return Qt::convertFromPlainText(shownText(shown.reason), Qt::WhiteSpaceNormal);
                const std::string why = waitExplanation(shown.status, row->task.holdMark);
                return transferWords(why.empty() ? texts.detail : why);
            }
            if (index.column() == kProgress)
                return QStringLiteral("%1%").arg(shown.progress);
            // A tool tip that looks like markup is shown as markup: names are escaped.
            return Qt::convertFromPlainText(index.column() == kRemote ? shownText(shown.remoteInfo)
                                                                      : shownText(shown.localInfo),
                                            Qt::WhiteSpacePre);
        case Qt::FontRole:
            // The narrow columns hold "300.00 MB" and "1200 KB/S" whole.
            if (index.column() == kSize || index.column() == kSpeed) {
                QFont narrow;
                narrow.setPixelSize(11);
                return narrow;
            }
            return {};
        case Qt::TextAlignmentRole:
            return index.column() <= kRemote ? int(Qt::AlignVCenter | Qt::AlignLeft)
                                             : int(Qt::AlignCenter);
        default:
            return {};
    }
}

QVariant TransferListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kTitles[kColumnCount] = {
        QT_TRANSLATE_NOOP("nubexa::pages::TransferListModel", "本地文件信息"),
        QT_TRANSLATE_NOOP("nubexa::pages::TransferListModel", "网盘文件信息"),
        QT_TRANSLATE_NOOP("nubexa::pages::TransferListModel", "大小"),
        QT_TRANSLATE_NOOP("nubexa::pages::TransferListModel", "进度"),
        QT_TRANSLATE_NOOP("nubexa::pages::TransferListModel", "速度"),
        "",
        "",
        QT_TRANSLATE_NOOP("nubexa::pages::TransferListModel", "状态")};
    if (section < 0 || section >= kColumnCount)
        return {};
    return tr(kTitles[section]);
}

Qt::ItemFlags TransferListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace nubexa::pages
