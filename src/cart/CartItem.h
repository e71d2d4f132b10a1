#pragma once

#include "core/SupplierOffer.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// One cart line: a flat copy of an offer's terms at the moment it was added.
struct CartItem {
    QString id;
    QString supplierID;
    QString supplierName;
    QString offerID;
    std::optional<QString> supplierOfferKey;
    QString brand;
    QString article;
    QString name;
    double unitPrice = 0; // purchase price, no markup
    QString currency;
    std::int64_t quantity = 1;
    std::optional<std::int64_t> availableQuantity;
    std::optional<QString> warehouse;
    std::optional<QString> deliveryTime;
    std::optional<double> rejects; // percent
    QDateTime addedAt;
    // The article a priced list asked for when this line came from it (the line may be an analogue).
    std::optional<QString> askedArticle;

    // A new line with quantity 1 for the offer, added at `now`.
    static CartItem supplierOffer(const SupplierOffer& from, const QDateTime& now);

    // The line is another part than the one its list asked for.
    bool isAnalogue() const;
    // "аналог OC 90" for an analogue; empty otherwise.
    QString analogueMark() const;

    // The stored form: keys are the field names, absent optionals are left out and `addedAt` is
    // seconds since 2001-01-01 00:00 UTC. Numbers are written so that they read back unchanged.
    QJsonObject toJson() const;
    // Strict: every required field present with its type; optionals may be missing or null.
    static std::optional<CartItem> fromJson(const QJsonValue& value);

    // A UTF-8 JSON array of lines; std::nullopt for anything else, or when one line is unreadable.
    static QByteArray encodeList(const QList<CartItem>& items);
    static std::optional<QList<CartItem>> decodeList(const QByteArray& data);
    // The readable lines of a JSON array, and how many were not; std::nullopt when the data
    // is no JSON array at all.
    struct DecodedLines {
        QList<CartItem> items;
        qsizetype unreadable = 0;
    };
    static std::optional<DecodedLines> decodeReadableLines(const QByteArray& data);

    bool operator==(const CartItem&) const = default;
};

size_t qHash(const CartItem& item, size_t seed = 0);

// The lines of one supplier, as the cart window shows them.
struct SupplierCartGroup {
    QString supplierID;
    QString supplierName;
    QList<CartItem> items;

    bool operator==(const SupplierCartGroup&) const = default;
};
