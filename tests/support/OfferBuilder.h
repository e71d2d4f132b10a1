#pragma once

#include "core/SupplierOffer.h"

// Builds offers for tests with sensible defaults; chain the setters you care about.
class OfferBuilder {
public:
    OfferBuilder(QString supplierID = QStringLiteral("autoeuro"), QString key = QStringLiteral("1"));

    OfferBuilder& key(QString key);
    OfferBuilder& supplier(QString id, QString name);
    OfferBuilder& brand(QString brand);
    OfferBuilder& article(QString article);
    OfferBuilder& name(QString name);
    OfferBuilder& price(const char* decimalText);
    OfferBuilder& currency(QString currency);
    OfferBuilder& available(std::int64_t quantity);
    OfferBuilder& delivery(QString description);
    OfferBuilder& deliveryDate(QDateTime date);
    OfferBuilder& rejectRate(const char* decimalText);
    OfferBuilder& highlight(QString color);

    SupplierOffer build() const { return m_offer; }
    operator SupplierOffer() const { return m_offer; } // NOLINT(google-explicit-constructor)

private:
    SupplierOffer m_offer;
};
