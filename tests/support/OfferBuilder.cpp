#include "OfferBuilder.h"

#include "core/SupplierDescriptor.h"

#include <QTimeZone>

namespace {

Decimal decimal(const char* text) {
    const auto value = Decimal::parse(QString::fromLatin1(text));
    Q_ASSERT(value);
    return value.value_or(Decimal());
}

QString displayNameOf(const QString& id) {
    if (const auto* d = SupplierDescriptors::find(id))
        return d->displayName;
    return id;
}

} // namespace

OfferBuilder::OfferBuilder(QString supplierID, QString key) {
    m_offer.supplierName = displayNameOf(supplierID);
    m_offer.supplierID = std::move(supplierID);
    m_offer.supplierOfferKey = std::move(key);
    m_offer.brand = QStringLiteral("MANN");
    m_offer.article = QStringLiteral("W 712/75");
    m_offer.name = QStringLiteral("Фильтр масляный");
    m_offer.price = Decimal(1000);
    m_offer.currency = QStringLiteral("RUB");
    m_offer.updatedAt = QDateTime(QDate(2026, 12, 1), QTime(12, 0), QTimeZone::utc());
}

OfferBuilder& OfferBuilder::key(QString key) {
    m_offer.supplierOfferKey = std::move(key);
    return *this;
}
OfferBuilder& OfferBuilder::supplier(QString id, QString name) {
    m_offer.supplierID = std::move(id);
    m_offer.supplierName = std::move(name);
    return *this;
}
OfferBuilder& OfferBuilder::brand(QString brand) {
    m_offer.brand = std::move(brand);
    return *this;
}
OfferBuilder& OfferBuilder::article(QString article) {
    m_offer.article = std::move(article);
    return *this;
}
OfferBuilder& OfferBuilder::name(QString name) {
    m_offer.name = std::move(name);
    return *this;
}
OfferBuilder& OfferBuilder::price(const char* text) {
    m_offer.price = decimal(text);
    return *this;
}
OfferBuilder& OfferBuilder::currency(QString currency) {
    m_offer.currency = std::move(currency);
    return *this;
}
OfferBuilder& OfferBuilder::available(std::int64_t quantity) {
    m_offer.availableQuantity = quantity;
    return *this;
}
OfferBuilder& OfferBuilder::delivery(QString description) {
    m_offer.deliveryDescription = std::move(description);
    return *this;
}
OfferBuilder& OfferBuilder::deliveryDate(QDateTime date) {
    m_offer.deliveryDate = std::move(date);
    return *this;
}
OfferBuilder& OfferBuilder::rejectRate(const char* text) {
    m_offer.rejectRate = decimal(text);
    return *this;
}
OfferBuilder& OfferBuilder::highlight(QString color) {
    m_offer.rowHighlightColor = std::move(color);
    return *this;
}
