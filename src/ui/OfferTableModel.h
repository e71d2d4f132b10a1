#pragma once

#include "core/SupplierAppearance.h"
#include "core/SupplierOffer.h"
#include "offertable/OfferSortOrder.h"

#include <QAbstractTableModel>
#include <QKeySequence>
#include <QList>
#include <QSet>

#include <functional>
#include <optional>

class CartStore;
class UserDefaults;

// What one table cell shows and what a click on it copies.
struct CopyableCell {
    QString display;
    QString copyValue;
    bool monospaced = false;
};

// The displayed offers of the current snapshot, one row each: the eight offer columns and
// the cart button column. Texts are worked out when a cell is drawn, so a long list costs
// nothing until it scrolls into view.
class OfferTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { brand, article, name, price, quantity, delivery, risk, supplier, cart };
    static constexpr int kColumnCount = cart + 1;
    enum Role {
        CopyValueRole = Qt::UserRole + 1,
        // bool: the row's offer is in the cart (cart column only).
        InCartRole,
    };

    explicit OfferTableModel(CartStore& cart, QObject* parent = nullptr);

    // The new rows with the markup they are priced at. When the rows are the same offers in
    // the same order (a new markup, a cart change) only the cells change; otherwise the model resets.
    void setRows(QList<SupplierOffer> rows, double markupPercent);
    // Rows that just arrived while the search runs are tinted for a moment.
    void markArrived(const QSet<QString>& offerIDs);
    bool isArrived(int row) const { return m_arrived.contains(m_rows.at(row).id()); }
    // The row of an offer, or -1.
    int rowOf(const QString& offerID) const;
    const QList<SupplierOffer>& rows() const { return m_rows; }
    // The colour of each supplier's name (the suppliers the buyer added have theirs in the settings).
    void setSupplierColors(std::function<SupplierColor(QStringView)> colors) { m_colors = std::move(colors); }
    // The article searched for: offers of exactly that part (canonical forms equal) are marked
    // as the asked-for part, analogues are not.
    void setSearchedArticle(const QString& article);
    bool isAskedForPart(int row) const;
    // The supplier states a stock of 0: the row is greyed and its stock reads "нет в наличии".
    bool isOutOfStock(int row) const;
    // The copy values of the row's eight offer cells, tab-separated (for a spreadsheet).
    QString rowCopyText(int row) const;
    // Where the setting "Копировать числа с точкой" is read when a value is copied; without it
    // copied numbers take the locale's decimal mark.
    void setCopySettings(const UserDefaults* defaults) { m_copySettings = defaults; }
    // What a click on the cell copies: its copy value, a price or risk with the copy's decimal mark.
    QString copyValue(int row, int column) const;
    const SupplierOffer& offer(int row) const { return m_rows.at(row); }

    // The cell of one of the eight offer columns; the cart column has none.
    CopyableCell cell(int row, int column) const;

    // Header titles in column order; the cart column has none.
    static QString columnTitle(int column);
    // The key that sorts by a sortable column ("Alt+1" … "Alt+5", in header order); empty for others.
    static QKeySequence sortShortcut(int column);
    // The sort column a header stands for, if it is sortable.
    static std::optional<PFOfferSortColumn> sortColumn(int column);
    static int columnOf(PFOfferSortColumn sortColumn);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void cartChanged();

    CartStore& m_cart;
    std::function<SupplierColor(QStringView)> m_colors = SupplierAppearance::color;
    QList<SupplierOffer> m_rows;
    double m_markupPercent = 0.0;
    QString m_searchedCanonical;
    const UserDefaults* m_copySettings = nullptr;
    QSet<QString> m_arrived;
};
