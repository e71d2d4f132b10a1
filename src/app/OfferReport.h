#pragma once

#include "cart/CartItem.h"
#include "offertable/OffersSnapshot.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// Text and JSON renderings of a finished search and of the cart, as orelia-cli prints them.
// The cells are the window's own texts.
namespace OfferReport {

struct SearchOutcome {
    QString article;
    QString status;   // null when absent
    QString error;    // null when absent
    QString duration; // null when absent
    OffersSnapshot snapshot;
    double markupPercent = 0;
};

// The window's column titles, in order.
QStringList columnTitles();
// One row of cell texts for an offer, in column order.
QStringList rowCells(const SupplierOffer& offer, double markupPercent, const QDateTime& now);
// Columns padded to their widest cell, separated by two blanks; long texts are cut with "…".
QString alignedTable(const QStringList& header, const QList<QStringList>& rows, qsizetype maxCellWidth = 48);

QJsonObject offerJson(const SupplierOffer& offer, double markupPercent, const QDateTime& now);
QJsonObject searchJson(const SearchOutcome& outcome, const QDateTime& now);
QString searchText(const SearchOutcome& outcome, const QDateTime& now);

// Sum of price × quantity of the lines, exact to the kopeck of what was stored.
Decimal cartTotal(const QList<CartItem>& items);
QString money(const Decimal& amount);
QJsonObject cartJson(const QList<SupplierCartGroup>& groups, std::int64_t totalItemCount);
QString cartText(const QList<SupplierCartGroup>& groups, std::int64_t totalItemCount);

} // namespace OfferReport
