#pragma once

#include "batch/BatchReport.h"

#include <QAbstractItemModel>
#include <QDateTime>

// A priced list as a tree: a row per list line with its state and the offer chosen for it, and
// under it every offer of that line, cheapest first (the chosen one in bold, the asked-for
// article in bold, analogues marked, offers outside the list's limits dimmed). Rows stay in
// place as lines finish, so expanded lines stay expanded while the list is being priced.
class BatchResultModel : public QAbstractItemModel {
    Q_OBJECT

public:
    enum Column { line, request, quantity, state, brand, article, name, price, sum, delivery, stock, supplier, note };
    static constexpr int kColumnCount = note + 1;
    enum Role {
        // QString: the id of the offer a child row stands for.
        OfferIDRole = Qt::UserRole + 1,
    };

    explicit BatchResultModel(QObject* parent = nullptr);

    void setReport(BatchReport report, const QDateTime& now);
    const BatchReport& report() const { return m_report; }
    // The list line a row belongs to (a child row: its parent's), or -1.
    static int lineOf(const QModelIndex& index);

    static QString columnTitle(int column);
    // The short state of a list line: "Выбрано", "Аналог", "Только аналоги", "Не найдено", …
    static QString stateText(const BatchRow& row);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QVariant lineData(const BatchRow& row, int column, int role) const;
    QVariant stateData(const BatchRow& row, int role) const;
    QVariant offerData(const BatchRow& row, const SupplierOffer& offer, bool child, int column, int role) const;

    BatchReport m_report;
    QDateTime m_now;
};
