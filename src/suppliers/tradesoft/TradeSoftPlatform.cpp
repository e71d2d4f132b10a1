#include "TradeSoftPlatform.h"

#include "core/Offload.h"
#include "credentials/CredentialStore.h"
#include "net/NetworkError.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/autoliga/TradeSoftError.h"
#include "suppliers/autoliga/TradeSoftHTTPAPI.h"
#include "TradeSoftAccountRevalidator.h"
#include "TradeSoftAccountSearch.h"
#include "TradeSoftAnswers.h"

namespace {

// The article Autoliga's check asks for too: any answer, even an empty one, proves the logins.
const QString kKnownArticle = QStringLiteral("1230A045");

QString named(const SupplierAccount& account, const UserFacingError& error) {
    return account.name + QStringLiteral(": ") + error.description();
}

} // namespace

TradeSoftPlatform::TradeSoftPlatform(TradeSoftHTTPAPI& api, CredentialStore& credentials,
                                     const ServiceEndpoints& endpoints)
    : m_api(api)
    , m_credentials(credentials)
    , m_endpoints(endpoints) {}

QString TradeSoftPlatform::summary() const {
    return QStringLiteral("Поставщик, подключённый к вашему аккаунту TradeSoft: нужен логин TradeSoft и ваш логин "
                          "у этого поставщика.");
}

SupplierPlatform::NewAccount TradeSoftPlatform::newAccount(const Draft& draft) const {
    NewAccount result;
    const QString provider = draft.provider.trimmed();
    if (provider.isEmpty()) {
        result.error = QStringLiteral("Выберите поставщика из списка TradeSoft или введите его идентификатор.");
        return result;
    }
    if (!AutoligaProvider::isUsableProviderID(provider)) {
        result.error = QStringLiteral("Идентификатор поставщика — латинские буквы, цифры, «_», «-» и «.», не длиннее "
                                      "64 знаков.");
        return result;
    }
    const QString name = draft.name.simplified();
    if (name.size() > 80) {
        result.error = QStringLiteral("Название длиннее 80 знаков.");
        return result;
    }
    SupplierAccount account;
    account.id = id() + u'-' + provider.toLower();
    account.platform = id();
    account.name = name.isEmpty() ? provider : name;
    account.provider = provider;
    result.account = account;
    return result;
}

SupplierDescriptor TradeSoftPlatform::descriptor(const SupplierAccount& account) const {
    using Kind = SupplierCredentialField::Kind;
    using Flag = SupplierCapabilities::Flag;
    return {
        account.id,
        account.name,
        {Flag::Search, Flag::Analogues, Flag::Stock, Flag::DeliveryTerms, Flag::OrderRevalidation},
        {{QStringLiteral("tradesoft-user"), QStringLiteral("TradeSoft логин"), Kind::text,
          QString::fromUtf16(CredentialAccounts::tradeSoftUser)},
         {QStringLiteral("tradesoft-password"), QStringLiteral("TradeSoft пароль"), Kind::secret,
          QString::fromUtf16(CredentialAccounts::tradeSoftPassword)},
         {QStringLiteral("login"), QStringLiteral("Логин у поставщика"), Kind::text, account.loginAccount()},
         {QStringLiteral("password"), QStringLiteral("Пароль у поставщика"), Kind::secret, account.passwordAccount()}},
        false};
}

SupplierPlatform::AddressInUse TradeSoftPlatform::address(const SupplierAccount& account) const {
    Q_UNUSED(account);
    using S = ServiceEndpoints::Service;
    return {QStringLiteral("TradeSoft"), m_endpoints.origin(S::tradeSoft), S::tradeSoft,
            m_endpoints.source(S::tradeSoft)};
}

std::vector<std::unique_ptr<SupplierSearchProviding>>
TradeSoftPlatform::makeProviders(const QList<SupplierAccount>& accounts) {
    auto search = std::make_shared<TradeSoftAccountSearch>(m_api, m_credentials, accounts);
    std::vector<std::unique_ptr<SupplierSearchProviding>> providers;
    for (qsizetype i = 0; i < accounts.size(); ++i)
        providers.push_back(std::make_unique<TradeSoftAccountProvider>(search, i, descriptor(accounts[i])));
    return providers;
}

QCoro::Task<ConnectionChecks::Result> TradeSoftPlatform::checkConnection(SupplierAccount account) {
    try {
        auto load = TradeSoftCredentials::load(m_credentials, account.loginAccount(), account.passwordAccount());
        const TradeSoftCredentials credentials = co_await std::move(load);
        const QJsonObject item{{QStringLiteral("provider"), account.provider},
                               {QStringLiteral("login"), credentials.providerLogin},
                               {QStringLiteral("password"), credentials.providerPassword},
                               {QStringLiteral("code"), kKnownArticle}};
        auto ask = m_api.request(QStringLiteral("getProducerList"), credentials, item, std::nullopt);
        co_await std::move(ask);
    } catch (const NetworkError& error) {
        co_return ConnectionChecks::Result{false, error.named(QStringLiteral("TradeSoft")).description(), {}};
    } catch (const UserFacingError& error) {
        co_return ConnectionChecks::Result{false, named(account, error), {}};
    }
    co_return ConnectionChecks::Result{
        true, account.name + QStringLiteral(" через TradeSoft: подключение подтверждено."), {}};
}

QCoro::Task<PFCartFreshnessMap> TradeSoftPlatform::checkCart(SupplierAccount account, QList<CartItem> items) {
    TradeSoftAccountRevalidator revalidator(m_api, m_credentials, account);
    try {
        auto check = revalidator.check(std::move(items));
        co_return co_await std::move(check);
    } catch (const NetworkError& error) {
        throw error.named(QStringLiteral("TradeSoft"));
    } catch (const UserFacingError& error) {
        throw PlainUserFacingError(named(account, error), error.cause());
    }
}

QCoro::Task<QList<SupplierPlatform::ProviderChoice>> TradeSoftPlatform::providerChoices() {
    // The TradeSoft account alone: no supplier's login is needed to list the suppliers.
    TradeSoftCredentials credentials;
    auto user = m_credentials.read(QString::fromUtf16(CredentialAccounts::tradeSoftUser));
    const std::optional<QString> storedUser = co_await std::move(user);
    auto password = m_credentials.read(QString::fromUtf16(CredentialAccounts::tradeSoftPassword));
    const std::optional<QString> storedPassword = co_await std::move(password);
    credentials.user = storedUser.value_or(QString()).trimmed();
    credentials.password = storedPassword.value_or(QString());
    if (credentials.user.isEmpty() || credentials.password.isEmpty())
        throw TradeSoftError::missingAccount(QStringLiteral("Сохраните логин и пароль TradeSoft, чтобы выбрать "
                                                            "поставщика из списка."));
    QList<ProviderChoice> choices;
    try {
        auto post = m_api.post(QStringLiteral("getProviderList"), credentials, std::nullopt, std::nullopt);
        QByteArray body = co_await std::move(post);
        auto reading = offload([body = std::move(body)] { return TradeSoftAnswers::providers(body); });
        const QList<TradeSoftProviderInfo> listed = co_await std::move(reading);
        for (const TradeSoftProviderInfo& info : listed)
            choices.append({info.id, info.title, info.loginInfo});
    } catch (const NetworkError& error) {
        throw error.named(QStringLiteral("TradeSoft"));
    }
    co_return choices;
}
