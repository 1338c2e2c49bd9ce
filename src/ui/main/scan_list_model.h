// Rows of the scan list: address, name, RSSI. Rows are only appended or all
// removed, so the model stays cheap with many thousands of devices.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <vector>

class ScanListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ScanListModel(QObject* parent = nullptr);

    void SetHeaders(const QStringList& headers);
    // Inserts a row before index (clamped to the end).
    void InsertRow(int index, const QString& address, const QString& name, const QString& rssi);
    void Clear();
    QString Text(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Row {
        QString text[3];
    };
    std::vector<Row> m_rows;
    QStringList m_headers;
};
