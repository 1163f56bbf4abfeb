#include "pages/disk_list_model.h"

#include <unordered_set>

#include <QCoreApplication>
#include <QIcon>
#include <QTextDocument>
#include <string_view>

#include "app/picture_cache.h"
#include "pages/thumbnail_source.h"
#include "picture_catalog.h"

namespace nubexa::pages {

namespace {

QString cellText(const std::string& value) {
    return QString::fromStdString(value);
}

// The rows keep the source texts of their marks (the page's logic compares them); the marks are
// put in the interface's language only here, where they are shown.
QString markText(const std::string& value) {
    return QCoreApplication::translate("nubexa::pages::DiskRows", value.c_str());
}

QString shownName(const DiskRow& row) {
    if (row.kind == RowKind::kReturn)
        return markText(row.name);
    const std::string_view mark = kProtectedMark;
    if (row.name.size() >= mark.size() && row.name.ends_with(mark))
        return cellText(row.name.substr(0, row.name.size() - mark.size())) +
               markText(kProtectedMark);
    return cellText(row.name);
}

}  // namespace

DiskListModel::DiskListModel(app::PictureCache& pictures, QObject* parent)
    : QAbstractTableModel(parent), m_pictures(pictures) {}

void DiskListModel::setRows(std::vector<DiskRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

const DiskRow* DiskListModel::rowAt(int row) const {
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return nullptr;
    return &m_rows[static_cast<std::size_t>(row)];
}

int DiskListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DiskListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

void DiskListModel::setThumbnails(const ThumbnailSource* thumbnails) {
    if (m_thumbnails == thumbnails)
        return;
    m_thumbnails = thumbnails;
    if (!m_rows.empty())
        emit dataChanged(index(0, kName), index(rowCount() - 1, kName), {Qt::DecorationRole});
}

void DiskListModel::thumbnailsArrived(const QStringList& fileIds) {
    if (!m_thumbnails)
        return;
    std::unordered_set<std::string> ids;
    for (const QString& id : fileIds)
        ids.insert(id.toStdString());
    // One change for each run of neighbouring rows: a view measures every row of a change
    // again, so one change from the first to the last row of a batch would measure thousands.
    int first = -1;
    const auto endRun = [&](int end) {
        if (first >= 0)
            emit dataChanged(index(first, kName), index(end - 1, kName), {Qt::DecorationRole});
        first = -1;
    };
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const bool arrived = m_rows[i].kind == RowKind::kFile && ids.count(m_rows[i].id) > 0;
        if (arrived && first < 0)
            first = static_cast<int>(i);
        else if (!arrived)
            endRun(static_cast<int>(i));
    }
    endRun(static_cast<int>(m_rows.size()));
}

QVariant DiskListModel::data(const QModelIndex& index, int role) const {
    const DiskRow* row = rowAt(index.row());
    if (!row)
        return {};
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
            case kName:
                return shownName(*row);
            case kShare:
                return markText(row->share);
            case kLink:
                return markText(row->link);
            case kSize:
                return cellText(row->size);
            case kTime:
                return cellText(row->time);
            case kId:
                return cellText(row->id);
            default:
                return {};
        }
    }
    if (role == Qt::DecorationRole && index.column() == kName) {
        if (m_thumbnails && row->kind == RowKind::kFile) {
            DiskFileEntry file;
            file.id = row->id;
            file.size = row->bytes;
            file.time = row->time;
            if (const QPixmap thumbnail = m_thumbnails->thumbnail(file); !thumbnail.isNull())
                return QIcon(thumbnail);
        }
        const auto& icon = pictures::kFileIcons[row->icon];
        return QIcon(m_pictures.picture(QString::fromLatin1(icon.path)));
    }
    if (role == Qt::ToolTipRole && index.column() == kTime)
        return cellText(row->time);
    if (role == Qt::ToolTipRole && row->kind == RowKind::kFile) {
        // A tool tip that looks like markup is shown as markup: names are escaped.
        return Qt::convertFromPlainText(
            tr("%1\n%2 字节\n%3").arg(shownName(*row), cellText(row->bytes), cellText(row->time)),
            Qt::WhiteSpacePre);
    }
    if (role == Qt::TextAlignmentRole && index.column() != kName)
        return int(Qt::AlignCenter);
    return {};
}

QVariant DiskListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kTitles[kColumnCount] = {
        QT_TRANSLATE_NOOP("nubexa::pages::DiskListModel", "名称"),
        QT_TRANSLATE_NOOP("nubexa::pages::DiskListModel", "外链"),
        QT_TRANSLATE_NOOP("nubexa::pages::DiskListModel", "直链"),
        QT_TRANSLATE_NOOP("nubexa::pages::DiskListModel", "大小"),
        QT_TRANSLATE_NOOP("nubexa::pages::DiskListModel", "创建时间"),
        ""};
    if (section < 0 || section >= kColumnCount)
        return {};
    return tr(kTitles[section]);
}

Qt::ItemFlags DiskListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace nubexa::pages
