#include "AbcpOrderRevalidator.h"

#include "AbcpProvider.h"
#include "cart/PFCartFreshnessChecker.h"

#include <QHash>

namespace {

// The line against its fresh offer. A stock the shop states as "on order" is stated all the same:
// when the line had no number either, the missing one is no change.
PFCartFreshness compared(const CartItem& item, const SupplierOffer& offer) {
    PFCartFreshness verdict = PFCartFreshnessChecker::compare(item, offer);
    if (offer.stockNote && !offer.availableQuantity && !item.availableQuantity) {
        verdict.details.removeAll(QStringLiteral("Поставщик не подтвердил доступный остаток."));
        if (verdict.details.isEmpty() && verdict.status == CartFreshnessStatus::changed)
            verdict.status = CartFreshnessStatus::current;
    }
    return verdict;
}

} // namespace

AbcpOrderRevalidator::AbcpOrderRevalidator(AbcpClient& client, CredentialStore& credentials, SupplierAccount account)
    : m_client(client)
    , m_credentials(credentials)
    , m_account(std::move(account)) {}

QCoro::Task<PFCartFreshnessMap> AbcpOrderRevalidator::check(QList<CartItem> items) {
    const auto unconfirmed = [](const QString& reason) {
        return PFCartFreshness{CartFreshnessStatus::unconfirmed, {reason}};
    };
    PFCartFreshnessMap verdicts;
    std::optional<AbcpCredentials> credentials;
    QHash<std::pair<QString, QString>, QList<SupplierOffer>> searches;
    for (const CartItem& item : items) {
        const QString key = item.supplierOfferKey.value_or(QString()).trimmed();
        const QString number = item.article.trimmed();
        const QString brand = item.brand.trimmed();
        if (key.isEmpty() || number.isEmpty() || brand.isEmpty()) {
            verdicts.insert(item.id, unconfirmed(QStringLiteral("Нет артикула, бренда или идентификатора исходного "
                                                                "предложения.")));
            continue;
        }
        const std::pair<QString, QString> question{number.toUpper(), brand.toUpper()};
        if (!searches.contains(question)) {
            if (!credentials) {
                auto load = AbcpCredentials::load(m_credentials, m_account);
                credentials = co_await std::move(load);
            }
            auto search = AbcpProvider::offers(m_client, *credentials, m_account, number, brand);
            searches.insert(question, co_await std::move(search));
        }
        QList<SupplierOffer> matches;
        for (const SupplierOffer& offer : searches.value(question)) {
            if (offer.supplierOfferKey == key)
                matches.append(offer);
        }
        if (matches.size() == 1)
            verdicts.insert(item.id, compared(item, matches.first()));
        else if (matches.isEmpty())
            verdicts.insert(item.id,
                            unconfirmed(QStringLiteral("Исходное предложение не найдено повторным поиском. "
                                                       "Это не подтверждает отсутствие товара у поставщика.")));
        else
            verdicts.insert(item.id, unconfirmed(QStringLiteral("Исходное предложение не удалось однозначно найти в "
                                                                "новом ответе поставщика.")));
    }
    co_return verdicts;
}
