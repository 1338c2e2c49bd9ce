// Rows of the scan list: address, name, RSSI. Rows are only appended or all
// removed, so the model stays cheap with many thousands of devices. It holds
// at most kRowLimit devices; rows offered beyond that are not kept, and a
// last row, which cannot be selected, says so.
#pragma once

#include "ops/scan/scan_stats.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <vector>

class ScanListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kRowLimit = static_cast<int>(ScanStats::kDefaultCapacity);

    explicit ScanListModel(QObject* parent = nullptr);

    void SetHeaders(const QStringList& headers);
    // Inserts a row before index (clamped to the end).
    void InsertRow(int index, const QString& address, const QString& name, const QString& rssi);
    void Clear();
    QString Text(int row, int column) const;
    // A row was offered while the list was full.
    bool Full() const { return m_overflowed; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Row {
        QString text[3];
    };
    QString NoticeText() const;

    std::vector<Row> m_rows;
    bool m_overflowed = false;
    QStringList m_headers;
};
