#include "pages/disk_list_model.h"

#include <QIcon>
#include <QTextDocument>

#include "app/picture_cache.h"
#include "picture_catalog.h"

namespace nubexa::pages {

namespace {

QString text(const std::string& value) {
    return QString::fromStdString(value);
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
                return text(row->name);
            case kShare:
                return text(row->share);
            case kLink:
                return text(row->link);
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
            QStringLiteral("%1\n%2 字节\n%3")
                .arg(text(row->name), text(row->bytes), text(row->time)),
            Qt::WhiteSpacePre);
    }
    if (role == Qt::TextAlignmentRole && index.column() != kName)
        return int(Qt::AlignCenter);
    return {};
}

QVariant DiskListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kTitles[kColumnCount] = {"名称", "外链",     "直链",
                                                      "大小", "创建时间", ""};
    if (section < 0 || section >= kColumnCount)
        return {};
    return QString::fromUtf8(kTitles[section]);
}

Qt::ItemFlags DiskListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace nubexa::pages
