#pragma once

#include "core/SupplierOffer.h"

// Builds offers for tests with sensible defaults; chain the setters you care about.
class OfferBuilder {
public:
    OfferBuilder(QString supplierID = QStringLiteral("autoeuro"), QString key = QStringLiteral("1"));

    OfferBuilder& supplier(QString id, QString name);
    OfferBuilder& brand(QString brand) { return set(&SupplierOffer::brand, std::move(brand)); }
    OfferBuilder& article(QString article) { return set(&SupplierOffer::article, std::move(article)); }
    OfferBuilder& name(QString name) { return set(&SupplierOffer::name, std::move(name)); }
    OfferBuilder& price(const char* text) { return set(&SupplierOffer::price, decimal(text)); }
    OfferBuilder& currency(QString currency) { return set(&SupplierOffer::currency, std::move(currency)); }
    OfferBuilder& available(std::int64_t quantity) { return set(&SupplierOffer::availableQuantity, quantity); }
    OfferBuilder& delivery(QString description) {
        return set(&SupplierOffer::deliveryDescription, std::move(description));
    }
    OfferBuilder& deliveryDate(QDateTime date) { return set(&SupplierOffer::deliveryDate, std::move(date)); }
    OfferBuilder& rejectRate(const char* text) { return set(&SupplierOffer::rejectRate, decimal(text)); }
    OfferBuilder& highlight(QString color) { return set(&SupplierOffer::rowHighlightColor, std::move(color)); }

    SupplierOffer build() const { return m_offer; }
    operator SupplierOffer() const { return m_offer; } // NOLINT(google-explicit-constructor)

private:
    static Decimal decimal(const char* text);
    template <typename Field, typename Value> OfferBuilder& set(Field SupplierOffer::*field, Value value) {
        m_offer.*field = std::move(value);
        return *this;
    }

    SupplierOffer m_offer;
};
