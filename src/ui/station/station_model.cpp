#include "ui/station/station_model.h"

#include "ui/station/station_text.h"

#include <QBrush>
#include <QColor>

namespace {

QString Utf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

StationModel::StationModel(QObject* parent) : QAbstractTableModel(parent) {}

QString StationModel::StateText(PortPhase phase) {
    switch (phase) {
    case PortPhase::Waiting:
        return StationTr("Waiting");
    case PortPhase::Identifying:
        return StationTr("Identifying");
    case PortPhase::Writing:
        return StationTr("Writing");
    case PortPhase::Verifying:
        return StationTr("Verifying");
    case PortPhase::Done:
        return StationTr("Done");
    case PortPhase::AlreadyDone:
        return StationTr("Already done");
    case PortPhase::Failed:
        return StationTr("Failed");
    case PortPhase::LeftAlone:
        return StationTr("Left alone");
    case PortPhase::Gone:
        return StationTr("Gone");
    }
    return {};
}

void StationModel::Apply(const PortView& view) {
    const auto it = m_rowOf.find(view.port);
    if (it == m_rowOf.end()) {
        const int row = static_cast<int>(m_rows.size());
        beginInsertRows({}, row, row);
        m_rows.push_back(view);
        m_rowOf[view.port] = row;
        endInsertRows();
        return;
    }
    m_rows[static_cast<std::size_t>(it->second)] = view;
    emit dataChanged(index(it->second, 0), index(it->second, ColumnCount - 1));
}

void StationModel::Clear() {
    beginResetModel();
    m_rows.clear();
    m_rowOf.clear();
    endResetModel();
}

int StationModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int StationModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant StationModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_rows.size())) {
        return {};
    }
    const PortView& v = m_rows[static_cast<std::size_t>(index.row())];
    if (role == Qt::BackgroundRole) {
        if (v.phase == PortPhase::Done || v.phase == PortPhase::AlreadyDone) {
            return QBrush(QColor(0xC8, 0xF0, 0xC8));
        }
        if (v.phase == PortPhase::Failed) {
            return QBrush(QColor(0xF8, 0xC8, 0xC8));
        }
        return {};
    }
    if (role == Qt::ForegroundRole &&
        (v.phase == PortPhase::Done || v.phase == PortPhase::AlreadyDone || v.phase == PortPhase::Failed)) {
        return QBrush(Qt::black);  // readable on the colour in a dark theme too
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    switch (index.column()) {
    case Port:
        return Utf8(v.port);
    case State:
        return StateText(v.phase);
    case Address:
        return Utf8(v.address);
    case Name:
        return Utf8(v.name);
    case Seconds:
        return v.phase == PortPhase::Waiting ? QString() : QString::number(v.seconds, 'f', 1);
    case Result:
        return Utf8(v.detail);
    default:
        return {};
    }
}

QVariant StationModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case Port:
        return StationTr("Port");
    case State:
        return StationTr("State");
    case Address:
        return StationTr("Address");
    case Name:
        return StationTr("Name");
    case Seconds:
        return StationTr("Seconds");
    case Result:
        return StationTr("Result");
    default:
        return {};
    }
}
