#include "AutoligaOrderRevalidator.h"

#include "suppliers/autoliga/AutoligaProvider.h"

namespace {

const QString kNoStock = QStringLiteral("Автолига не вернула актуальный остаток.");

} // namespace

AutoligaOrderRevalidator::AutoligaOrderRevalidator(AutoligaProvider& provider)
    : m_revalidator(
          [&provider](QString article, QString producer, QString itemHash) {
              return provider.preOrderCheck(std::move(article), std::move(producer), std::move(itemHash));
          },
          {QStringLiteral("autoliga"), QStringLiteral("Исходное предложение Автолиги больше не найдено."), kNoStock,
           QStringLiteral("Для позиции %1 отсутствует itemHash TradeSoft.\nПолучите предложение заново через "
                          "поиск.")}) {}

QStringList AutoligaOrderRevalidator::changes(const CartItem& item, const SupplierOffer& fresh) {
    return TradeSoftOrderRevalidator::changes(item, fresh, kNoStock);
}

QCoro::Task<QList<AutoligaRevalidatedItem>> AutoligaOrderRevalidator::revalidate(QList<CartItem> items) {
    return m_revalidator.revalidate(std::move(items));
}
