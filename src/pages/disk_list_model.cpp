#include "pages/disk_list_model.h"

#include <QCoreApplication>
#include <QIcon>
#include <QTextDocument>
#include <string_view>

#include "app/picture_cache.h"
#include "picture_catalog.h"

namespace nubexa::pages {

namespace {

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

// The rows keep the source texts of their marks (the page's logic compares them); the marks are
// put in the interface's language only here, where they are shown.
QString rowText(const std::string& value) {
    return QCoreApplication::translate("nubexa::pages::DiskRows", value.c_str());
}

QString shownName(const DiskRow& row) {
    if (row.kind == RowKind::kReturn)
        return rowText(row.name);
    const std::string_view mark = kProtectedMark;
    if (row.name.size() >= mark.size() && row.name.ends_with(mark))
        return text(row.name.substr(0, row.name.size() - mark.size())) + rowText(kProtectedMark);
    return text(row.name);
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

QVariant DiskListModel::data(const QModelIndex& index, int role) const {
    const DiskRow* row = rowAt(index.row());
    if (!row)
        return {};
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
            case kName:
                return shownName(*row);
            case kShare:
                return rowText(row->share);
            case kLink:
                return rowText(row->link);
            case kSize:
                return text(row->size);
            case kTime:
                return text(row->time);
            case kId:
                return text(row->id);
            default:
                return {};
        }
    }
    if (role == Qt::DecorationRole && index.column() == kName) {
        const auto& icon = pictures::kFileIcons[row->icon];
        return QIcon(m_pictures.picture(QString::fromLatin1(icon.path)));
    }
    if (role == Qt::ToolTipRole && index.column() == kTime)
        return text(row->time);
    if (role == Qt::ToolTipRole && row->kind == RowKind::kFile) {
        // A tool tip that looks like markup is shown as markup: names are escaped.
        return Qt::convertFromPlainText(
            tr("%1\n%2 字节\n%3").arg(shownName(*row), text(row->bytes), text(row->time)),
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
