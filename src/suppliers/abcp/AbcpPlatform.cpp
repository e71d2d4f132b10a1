#include "AbcpPlatform.h"

#include "AbcpOrderRevalidator.h"
#include "AbcpProvider.h"
#include "net/NetworkError.h"
#include "net/ServiceAddress.h"

namespace {

QString named(const SupplierAccount& account, const UserFacingError& error) {
    return account.name + QStringLiteral(": ") + error.description();
}

} // namespace

AbcpPlatform::AbcpPlatform(QNetworkAccessManager& network, CredentialStore& credentials,
                           const ServiceEndpoints& endpoints)
    : m_network(network)
    , m_credentials(credentials)
    , m_endpoints(endpoints) {}

QString AbcpPlatform::summary() const {
    return QStringLiteral("Интернет-магазин на платформе ABCP: адрес API, логин и пароль выдаёт менеджер магазина.");
}

SupplierPlatform::NewAccount AbcpPlatform::newAccount(const Draft& draft) const {
    NewAccount result;
    const QString name = draft.name.simplified();
    if (name.isEmpty()) {
        result.error = QStringLiteral("Введите название поставщика.");
        return result;
    }
    if (name.size() > 80) {
        result.error = QStringLiteral("Название длиннее 80 знаков.");
        return result;
    }
    if (draft.address.trimmed().isEmpty()) {
        result.error = QStringLiteral("Введите адрес API магазина: его сообщает менеджер магазина, например "
                                      "https://id12345.public.api.abcp.ru/.");
        return result;
    }
    const ServiceAddressCheck address = ServiceAddress::check(draft.address);
    if (!address.error.isEmpty()) {
        result.error = address.error;
        return result;
    }
    QString slug = SupplierAccount::slug(name);
    if (slug.isEmpty())
        slug = SupplierAccount::slug(address.url.host().section(u'.', 0, 0));
    if (slug.isEmpty())
        slug = QStringLiteral("shop");
    SupplierAccount account;
    account.id = id() + u'-' + slug;
    account.platform = id();
    account.name = name;
    account.address = address.url.toString();
    result.account = account;
    result.warning = address.unencrypted ? ServiceAddress::unencryptedWarning() : QString();
    result.numberIfTaken = true;
    return result;
}

SupplierDescriptor AbcpPlatform::descriptor(const SupplierAccount& account) const {
    using Kind = SupplierCredentialField::Kind;
    using Flag = SupplierCapabilities::Flag;
    // Shops open their API to registered addresses only, as a rule.
    return {
        account.id,
        account.name,
        {Flag::Search, Flag::Analogues, Flag::Stock, Flag::DeliveryTerms, Flag::RefusalRate, Flag::OrderRevalidation},
        {{QStringLiteral("login"), QStringLiteral("Логин"), Kind::text, account.loginAccount()},
         {QStringLiteral("password"), QStringLiteral("Пароль"), Kind::secret, account.passwordAccount()}},
        true};
}

SupplierPlatform::AddressInUse AbcpPlatform::address(const SupplierAccount& account) const {
    using Source = ServiceEndpoints::Source;
    const Source override = m_endpoints.source(ServiceEndpoints::Service::abcp);
    const bool overridden = override == Source::environment || override == Source::demo;
    return {QStringLiteral("API"), AbcpClient::baseURL(m_endpoints, account), ServiceEndpoints::Service::abcp,
            overridden ? override : Source::settings};
}

std::vector<std::unique_ptr<SupplierSearchProviding>>
AbcpPlatform::makeProviders(const QList<SupplierAccount>& accounts) {
    std::vector<std::unique_ptr<SupplierSearchProviding>> providers;
    for (const SupplierAccount& account : accounts)
        providers.push_back(std::make_unique<AbcpProvider>(AbcpClient(m_network, m_endpoints, account, m_timeout),
                                                           m_credentials, descriptor(account), account));
    return providers;
}

QCoro::Task<ConnectionChecks::Result> AbcpPlatform::checkConnection(SupplierAccount account) {
    AbcpClient client(m_network, m_endpoints, account, m_timeout);
    try {
        auto load = AbcpCredentials::load(m_credentials, account);
        const AbcpCredentials credentials = co_await std::move(load);
        auto ask = client.userInfo(credentials);
        co_await std::move(ask);
    } catch (const NetworkError& error) {
        co_return ConnectionChecks::Result{false, error.named(account.name).description(), {}};
    } catch (const UserFacingError& error) {
        co_return ConnectionChecks::Result{false, named(account, error), {}};
    }
    co_return ConnectionChecks::Result{true, account.name + QStringLiteral(": подключение подтверждено."), {}};
}

QCoro::Task<PFCartFreshnessMap> AbcpPlatform::checkCart(SupplierAccount account, QList<CartItem> items) {
    AbcpClient client(m_network, m_endpoints, account, m_timeout);
    AbcpOrderRevalidator revalidator(client, m_credentials, account);
    try {
        auto check = revalidator.check(std::move(items));
        co_return co_await std::move(check);
    } catch (const NetworkError& error) {
        throw error.named(account.name);
    } catch (const UserFacingError& error) {
        throw PlainUserFacingError(named(account, error), error.cause());
    }
}

void AbcpPlatform::setTimeout(ServiceEndpoints::Service service, std::chrono::milliseconds timeout) {
    if (service == ServiceEndpoints::Service::abcp)
        m_timeout = timeout;
}
