#pragma once

#include "AbcpClient.h"
#include "core/SupplierSearchProviding.h"

#include <QDateTime>

#include <optional>

class CredentialStore;

// One ABCP shop as a search provider: the brands the shop knows for the article, then, side by
// side, the offers of every brand whose number is the article, each turned into a SupplierOffer of
// the account.
class AbcpProvider final : public SupplierSearchProviding {
public:
    AbcpProvider(AbcpClient client, CredentialStore& credentials, SupplierDescriptor descriptor,
                 SupplierAccount account);

    const SupplierDescriptor& descriptor() const override { return m_descriptor; }
    // Fails when the credentials or the brand lookup fail, or when every brand's offers request
    // fails (with the first brand's error); one brand failing while others answer costs that brand.
    QCoro::Task<QList<SupplierOffer>> search(QString article) override;
    SupplierSearchReport lastSearchReport() const override { return m_report; }

    // The offers of one brand and number, for a search and for the cart's re-check alike.
    static QCoro::Task<QList<SupplierOffer>> offers(AbcpClient& client, AbcpCredentials credentials,
                                                    SupplierAccount account, QString number, QString brand,
                                                    qsizetype* skipped = nullptr);
    // Nothing for a price outside the sane range. Hours become days ("1 дн." from 24 hours, "в наличии"
    // for none), an approximate stock its "+" signs ranked 1, 10 and 100, a delivery probability the
    // refusal risk that is left.
    static std::optional<SupplierOffer> normalize(const AbcpOffer& offer, const SupplierAccount& account,
                                                  const QDateTime& now = QDateTime::currentDateTimeUtc());
    // The line's handle: itemKey and supplierCode together.
    static QString offerKey(const QString& itemKey, const QString& supplierCode);

private:
    AbcpClient m_client;
    CredentialStore& m_credentials;
    SupplierDescriptor m_descriptor;
    SupplierAccount m_account;
    SupplierSearchReport m_report;
};
