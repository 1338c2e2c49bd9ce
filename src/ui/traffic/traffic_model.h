// The traffic view's rows: a table over the bounded ring, with the text
// filter, "hide scan reports" and pause applied here, so appending a batch
// touches only the new rows and never re-filters the whole ring.
#pragma once

#include "ops/traffic/traffic_ring.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

#include <deque>
#include <vector>

class TrafficModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColTime, ColDirection, ColText, ColRoute, ColumnCount };

    explicit TrafficModel(std::size_t capacity = traffic::TrafficRing::kDefaultCapacity, QObject* parent = nullptr);

    // Window thread: one batch from the tap.
    void AppendBatch(std::vector<TapEvent>&& events);
    void Clear();

    void SetFilterText(const QString& text);
    void SetHideScanReports(bool hide);
    // Paused: rows are kept in the ring and counted, not shown.
    void SetPaused(bool paused);

    bool Paused() const { return m_paused; }
    uint64_t HeldWhilePaused() const;
    uint64_t Dropped() const { return m_ring.Dropped(); }
    std::size_t Kept() const { return m_ring.Size(); }
    // The event of a shown row, and its text as files have it.
    TapEvent EventAt(int row) const;
    QString RowText(int row) const;

    // Row colours readable on the view's palette; rows are repainted with them.
    void SetPalette(const QPalette& palette);
    enum class Tint { Sent, Received, Problem, Dimmed };
    QColor TintColor(Tint tint) const { return m_tints[static_cast<int>(tint)]; }

    // The text column's font: fixed pitch, with a true backslash.
    static QFont WireFont();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void CountsChanged();

private:
    bool Matches(uint64_t seq) const;
    // Shows the kept rows from seq on that pass the filter.
    void ShowFrom(uint64_t seq);
    void Rebuild();
    // Forgets shown rows the ring has dropped.
    void ForgetDropped();

    traffic::TrafficRing m_ring;
    std::deque<uint64_t> m_shown;  // running numbers of the shown rows
    uint64_t m_shownUpTo = 0;      // rows before this number were considered
    QString m_filter;
    bool m_hideScan = false;
    bool m_paused = false;
    QColor m_tints[4];
};
