#include "SupplierPlatforms.h"

#include "abcp/AbcpPlatform.h"
#include "tradesoft/TradeSoftPlatform.h"

#include <QHash>

namespace {

class UnknownPlatformProvider final : public SupplierSearchProviding {
public:
    UnknownPlatformProvider(SupplierDescriptor descriptor, QString text)
        : m_descriptor(std::move(descriptor))
        , m_text(std::move(text)) {}
    const SupplierDescriptor& descriptor() const override { return m_descriptor; }
    QCoro::Task<QList<SupplierOffer>> search(QString article) override {
        Q_UNUSED(article);
        throw PlainUserFacingError(m_text);
        co_return {};
    }

private:
    SupplierDescriptor m_descriptor;
    QString m_text;
};

} // namespace

SupplierPlatforms::SupplierPlatforms(const Services& s) {
    m_platforms.push_back(std::make_unique<AbcpPlatform>(s.network, s.credentials, s.endpoints));
    m_platforms.push_back(std::make_unique<TradeSoftPlatform>(s.tradeSoft, s.credentials, s.endpoints));
}

SupplierPlatforms::~SupplierPlatforms() = default;

SupplierPlatform* SupplierPlatforms::find(QStringView platformID) const {
    for (const auto& platform : m_platforms) {
        if (platform->id() == platformID)
            return platform.get();
    }
    return nullptr;
}

QString SupplierPlatforms::unknownPlatformText(const SupplierAccount& account) {
    return QStringLiteral("платформа «%1» не поддерживается этой версией Orelia").arg(account.platform);
}

SupplierDescriptor SupplierPlatforms::descriptor(const SupplierAccount& account) const {
    if (const SupplierPlatform* platform = of(account))
        return platform->descriptor(account);
    return {account.id, account.name, SupplierCapabilities(), {}, false};
}

std::vector<std::unique_ptr<SupplierSearchProviding>>
SupplierPlatforms::makeProviders(const QList<SupplierAccount>& accounts) {
    std::vector<std::unique_ptr<SupplierSearchProviding>> providers(static_cast<size_t>(accounts.size()));
    // Positions of each platform's accounts, in the order the platforms are first met.
    QList<QString> order;
    QHash<QString, QList<qsizetype>> positions;
    for (qsizetype i = 0; i < accounts.size(); ++i) {
        if (!positions.contains(accounts[i].platform))
            order.append(accounts[i].platform);
        positions[accounts[i].platform].append(i);
    }
    for (const QString& id : order) {
        const QList<qsizetype>& at = positions[id];
        SupplierPlatform* platform = find(id);
        if (!platform) {
            for (const qsizetype i : at)
                providers[static_cast<size_t>(i)] = std::make_unique<UnknownPlatformProvider>(
                    descriptor(accounts[i]), unknownPlatformText(accounts[i]));
            continue;
        }
        QList<SupplierAccount> subset;
        for (const qsizetype i : at)
            subset.append(accounts[i]);
        auto made = platform->makeProviders(subset);
        for (qsizetype k = 0; k < at.size() && k < static_cast<qsizetype>(made.size()); ++k)
            providers[static_cast<size_t>(at[k])] = std::move(made[static_cast<size_t>(k)]);
    }
    return providers;
}

void SupplierPlatforms::setTimeout(ServiceEndpoints::Service service, std::chrono::milliseconds timeout) {
    for (const auto& platform : m_platforms)
        platform->setTimeout(service, timeout);
}
