#pragma once

#include "suppliers/autoliga/TradeSoftModels.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One supplier's part of a TradeSoft answer to a call for several suppliers at once.
template <typename Rows> struct TradeSoftEntry {
    QString provider;
    // What the service says went wrong with this supplier; empty when nothing did.
    QString error;
    Rows rows;
};

// A supplier connected to the buyer's TradeSoft account (getProviderList).
struct TradeSoftProviderInfo {
    QString id;
    QString title;
    QString loginInfo;
    bool active = false;

    bool operator==(const TradeSoftProviderInfo&) const = default;
};

// TradeSoft answers read from their bytes, with no network in them. An answer that is no JSON
// object, says at its top that the call failed, or lacks its container throws TradeSoftError; a
// failure of one supplier is that entry's error.
namespace TradeSoftAnswers {

// The brand names (trimmed, none empty, each once whatever its letter case) of every entry.
QList<TradeSoftEntry<QStringList>> producers(const QByteArray& body);
QList<TradeSoftEntry<QList<TradeSoftPriceItem>>> prices(const QByteArray& body);
QList<TradeSoftProviderInfo> providers(const QByteArray& body);

// For the providers of the requests, in request order, the answer entry of each (-1: none): the
// first entry of that provider not taken by an earlier request. Entries carry no echo of what was
// asked, so a supplier asked twice is matched by the order of its entries.
QList<qsizetype> match(const QStringList& requested, const QStringList& answered);

} // namespace TradeSoftAnswers
