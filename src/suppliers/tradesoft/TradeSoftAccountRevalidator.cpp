#include "TradeSoftAccountRevalidator.h"

#include "cart/PFCartFreshnessChecker.h"
#include "cart/TradeSoftOrderRevalidator.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/autoliga/TradeSoftHTTPAPI.h"

#include <memory>

namespace {

// Loads the credentials once for all lines of one check.
QCoro::Task<std::optional<AutoligaPreOrderOffer>> preOrderCheck(TradeSoftHTTPAPI& api, CredentialStore& store,
                                                                SupplierAccount account,
                                                                std::shared_ptr<TradeSoftCredentials> loaded,
                                                                QString article, QString producer, QString hash) {
    if (loaded->user.isEmpty()) {
        auto load = TradeSoftCredentials::load(store, account.loginAccount(), account.passwordAccount());
        *loaded = co_await std::move(load);
    }
    auto search = api.preOrderSearch(article, producer, hash, account.provider, *loaded);
    const QList<TradeSoftPriceItem> rows = co_await std::move(search);
    co_return AutoligaProvider::preOrderOffer(rows, article, producer, hash, account.id, account.name);
}

} // namespace

TradeSoftAccountRevalidator::TradeSoftAccountRevalidator(TradeSoftHTTPAPI& api, CredentialStore& credentials,
                                                         SupplierAccount account)
    : m_api(api)
    , m_credentials(credentials)
    , m_account(std::move(account)) {}

QCoro::Task<PFCartFreshnessMap> TradeSoftAccountRevalidator::check(QList<CartItem> items) {
    const QString notChecked = QStringLiteral("Старое предложение поставщика не удалось проверить.");
    auto loaded = std::make_shared<TradeSoftCredentials>();
    TradeSoftOrderRevalidator::PreOrderCheck check = [this, loaded](QString article, QString producer, QString hash) {
        return preOrderCheck(m_api, m_credentials, m_account, loaded, article.trimmed(), producer.trimmed(),
                             hash.trimmed());
    };
    const QString quoted = u'«' + m_account.name + u'»';
    TradeSoftOrderRevalidator revalidator(
        std::move(check),
        {m_account.id, QStringLiteral("Исходное предложение поставщика %1 больше не найдено.").arg(quoted),
         QStringLiteral("Поставщик %1 не вернул актуальный остаток.").arg(quoted),
         QStringLiteral("Для позиции %1 отсутствует itemHash TradeSoft: получите предложение заново через поиск.")});
    PFCartFreshnessMap verdicts;
    for (const CartItem& item : items) {
        // Without an article, a brand or the hash the pre-order check has nothing to ask: that is no
        // proof that the offer is gone.
        if (item.supplierOfferKey.value_or(QString()).trimmed().isEmpty() || item.article.trimmed().isEmpty() ||
            item.brand.trimmed().isEmpty()) {
            verdicts.insert(item.id, {CartFreshnessStatus::unconfirmed, {notChecked}});
            continue;
        }
        auto revalidation = revalidator.revalidate({item});
        const QList<TradeSoftRevalidatedItem> results = co_await std::move(revalidation);
        if (results.isEmpty()) {
            verdicts.insert(item.id, {CartFreshnessStatus::unconfirmed, {notChecked}});
            continue;
        }
        PFCartFreshness verdict =
            PFCartFreshnessChecker::fromRevalidation(results.first().state, results.first().changes, false);
        if (const auto& offer = results.first().currentOffer)
            verdict.fresh = CartFreshTerms::of(*offer);
        verdicts.insert(item.id, std::move(verdict));
    }
    co_return verdicts;
}
