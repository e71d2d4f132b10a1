#include "OfferBuilder.h"

#include "core/SupplierDescriptor.h"

namespace {

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
    m_offer.updatedAt = QDateTime(QDate(2026, 12, 1), QTime(12, 0), Qt::UTC);
}

OfferBuilder& OfferBuilder::supplier(QString id, QString name) {
    m_offer.supplierID = std::move(id);
    m_offer.supplierName = std::move(name);
    return *this;
}

Decimal OfferBuilder::decimal(const char* text) {
    const auto value = Decimal::parse(QString::fromLatin1(text));
    Q_ASSERT(value);
    return value.value_or(Decimal());
}
