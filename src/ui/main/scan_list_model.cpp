#include "ui/main/scan_list_model.h"

ScanListModel::ScanListModel(QObject* parent) : QAbstractTableModel(parent) {}

void ScanListModel::SetHeaders(const QStringList& headers) {
    m_headers = headers;
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void ScanListModel::InsertRow(int index, const QString& address, const QString& name,
                              const QString& rssi) {
    const int count = static_cast<int>(m_rows.size());
    if (index < 0 || index > count) index = count;
    beginInsertRows(QModelIndex(), index, index);
    m_rows.insert(m_rows.begin() + index, Row{{address, name, rssi}});
    endInsertRows();
}

void ScanListModel::Clear() {
    if (m_rows.empty()) return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QString ScanListModel::Text(int row, int column) const {
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0 || column > 2) return {};
    return m_rows[static_cast<size_t>(row)].text[column];
}

int ScanListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ScanListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant ScanListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return Text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

QVariant ScanListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole && section >= 0 && section < m_headers.size()) return m_headers[section];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags ScanListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
