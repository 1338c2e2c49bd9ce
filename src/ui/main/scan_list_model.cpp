#include "ui/main/scan_list_model.h"

#include "ui/main/window_text.h"

ScanListModel::ScanListModel(QObject* parent) : QAbstractTableModel(parent) {}

void ScanListModel::SetHeaders(const QStringList& headers) {
    m_headers = headers;
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void ScanListModel::InsertRow(int index, const QString& address, const QString& name, const QString& rssi) {
    const int count = static_cast<int>(m_rows.size());
    if (count >= kRowLimit) {
        if (!m_overflowed) {
            beginInsertRows(QModelIndex(), count, count);
            m_overflowed = true;
            endInsertRows();
        }
        return;
    }
    if (index < 0 || index > count) index = count;
    beginInsertRows(QModelIndex(), index, index);
    m_rows.insert(m_rows.begin() + index, Row{{address, name, rssi}});
    endInsertRows();
}

void ScanListModel::Clear() {
    if (m_rows.empty() && !m_overflowed) return;
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_overflowed = false;
    endResetModel();
}

QString ScanListModel::NoticeText() const {
    return Tr("The list is full (%1 devices): devices seen later are not listed. The scan monitor keeps the "
              "most recently seen.")
        .arg(kRowLimit);
}

QString ScanListModel::Text(int row, int column) const {
    if (m_overflowed && row == static_cast<int>(m_rows.size())) return column == 0 ? NoticeText() : QString();
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0 || column > 2) return {};
    return m_rows[static_cast<size_t>(row)].text[column];
}

int ScanListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size()) + (m_overflowed ? 1 : 0);
}

int ScanListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant ScanListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return Text(index.row(), index.column());
    if (role == Qt::ToolTipRole && m_overflowed && index.row() == static_cast<int>(m_rows.size())) return NoticeText();
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

QVariant ScanListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole && section >= 0 && section < m_headers.size()) return m_headers[section];
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags ScanListModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_rows.size())) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
