// The station window's table: one row per port, in the order the ports
// appeared, with state, address, name, duration and result; done and failed
// rows coloured.
#pragma once

#include "ops/station/station.h"

#include <QAbstractTableModel>

#include <map>
#include <vector>

class StationModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Port, State, Address, Name, Seconds, Result, ColumnCount };

    explicit StationModel(QObject* parent = nullptr);

    // A port's latest view: a new row, or its row updated.
    void Apply(const PortView& view);
    void Clear();
    static QString StateText(PortPhase phase);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<PortView> m_rows;
    std::map<std::string, int> m_rowOf;
};
