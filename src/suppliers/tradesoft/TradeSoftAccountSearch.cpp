#include "TradeSoftAccountSearch.h"

#include "core/Offload.h"
#include "core/TextUtils.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/autoliga/TradeSoftError.h"
#include "suppliers/autoliga/TradeSoftHTTPAPI.h"
#include "TradeSoftAnswers.h"

#include <QCoroSignal>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>

namespace {

// One request of a call: whose, and (for prices) which brand.
struct Asked {
    qsizetype account;
    QString producer;
};

QString descriptionOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const UserFacingError& e) {
        return e.description();
    }
    return {};
}

std::exception_ptr unanswered() {
    return std::make_exception_ptr(TradeSoftError::api(QStringLiteral("TradeSoft не вернул ответ поставщика")));
}

} // namespace

TradeSoftAccountSearch::TradeSoftAccountSearch(TradeSoftHTTPAPI& api, CredentialStore& credentials,
                                               QList<SupplierAccount> accounts)
    : m_api(api)
    , m_credentials(credentials)
    , m_accounts(std::move(accounts))
    , m_outcomes(m_accounts.size()) {}

QCoro::Task<TradeSoftAccountSearch::Outcome> TradeSoftAccountSearch::outcome(QString article, qsizetype index) {
    if (!m_started) {
        m_started = true;
        run(shared_from_this(), article);
    }
    if (!m_done) {
        auto finished = qCoro(this, &TradeSoftAccountSearch::finished);
        co_await std::move(finished);
    }
    co_return Outcome(m_outcomes.at(index));
}

QCoro::Task<> TradeSoftAccountSearch::run(std::shared_ptr<TradeSoftAccountSearch> self, QString article) {
    auto search = self->search(std::move(article));
    co_await std::move(search);
    self->m_done = true;
    Q_EMIT self->finished();
}

QCoro::Task<> TradeSoftAccountSearch::search(QString article) {
    // Every supplier signs in with its own login; the TradeSoft account is the same for all.
    QList<qsizetype> ready;
    std::optional<TradeSoftCredentials> call;
    QList<TradeSoftCredentials> credentials(m_accounts.size());
    for (qsizetype i = 0; i < m_accounts.size(); ++i) {
        try {
            auto load = TradeSoftCredentials::load(m_credentials, m_accounts[i].loginAccount(),
                                                   m_accounts[i].passwordAccount());
            credentials[i] = co_await std::move(load);
            call = credentials[i];
            ready.append(i);
        } catch (const UserFacingError&) {
            m_outcomes[i].error = std::current_exception();
        }
    }
    if (ready.isEmpty())
        co_return;

    const auto entry = [&](qsizetype i, const QString& producer) {
        QJsonObject item{{QStringLiteral("provider"), m_accounts[i].provider},
                         {QStringLiteral("login"), credentials[i].providerLogin},
                         {QStringLiteral("password"), credentials[i].providerPassword},
                         {QStringLiteral("code"), article}};
        if (!producer.isNull())
            item.insert(QStringLiteral("producer"), producer);
        return item;
    };
    // A failure of the call itself is every asked supplier's.
    const auto failAll = [&](const QList<Asked>& asked, std::exception_ptr error) {
        for (const Asked& a : asked)
            m_outcomes[a.account].error = error;
    };
    const auto answerTo = [](const QList<Asked>& asked, const QStringList& answered,
                             const QList<SupplierAccount>& all) {
        QStringList requested;
        for (const Asked& a : asked)
            requested.append(all[a.account].provider);
        return TradeSoftAnswers::match(requested, answered);
    };

    QList<Asked> brandQuestions;
    QJsonArray container;
    for (const qsizetype i : ready) {
        brandQuestions.append({i, QString()});
        container.append(entry(i, QString()));
    }
    QList<TradeSoftEntry<QStringList>> producerEntries;
    try {
        auto post = m_api.post(QStringLiteral("getProducerList"), *call, container, std::nullopt);
        QByteArray body = co_await std::move(post);
        // Answers are read off the window's thread.
        auto reading = offload([body = std::move(body)] { return TradeSoftAnswers::producers(body); });
        producerEntries = co_await std::move(reading);
    } catch (const UserFacingError&) {
        failAll(brandQuestions, std::current_exception());
        co_return;
    }
    QStringList answered;
    for (const auto& e : producerEntries)
        answered.append(e.provider);
    const QList<qsizetype> brandAnswers = answerTo(brandQuestions, answered, m_accounts);

    QList<Asked> priceQuestions;
    container = QJsonArray();
    for (qsizetype q = 0; q < brandQuestions.size(); ++q) {
        const qsizetype i = brandQuestions[q].account;
        const qsizetype at = brandAnswers[q];
        if (at < 0) {
            m_outcomes[i].error = unanswered();
        } else if (!producerEntries[at].error.isEmpty()) {
            m_outcomes[i].error = std::make_exception_ptr(TradeSoftError::api(producerEntries[at].error));
        } else {
            // A number that hundreds of brands carry is asked of its first ones only; the rest are named.
            const QStringList& producers = producerEntries[at].rows;
            for (qsizetype p = 0; p < producers.size() && p < SearchLimits::maxRequestsPerSupplier; ++p) {
                priceQuestions.append({i, producers[p]});
                container.append(entry(i, producers[p]));
            }
            m_outcomes[i].report.skippedRequests =
                static_cast<int>(std::max<qsizetype>(0, producers.size() - SearchLimits::maxRequestsPerSupplier));
        }
    }
    if (priceQuestions.isEmpty())
        co_return;

    QList<TradeSoftEntry<QList<TradeSoftPriceItem>>> priceEntries;
    try {
        auto post = m_api.post(QStringLiteral("getPriceList"), *call, container, std::nullopt);
        QByteArray body = co_await std::move(post);
        auto reading = offload([body = std::move(body)] { return TradeSoftAnswers::prices(body); });
        priceEntries = co_await std::move(reading);
    } catch (const UserFacingError&) {
        failAll(priceQuestions, std::current_exception());
        co_return;
    }
    answered.clear();
    for (const auto& e : priceEntries)
        answered.append(e.provider);
    const QList<qsizetype> priceAnswers = answerTo(priceQuestions, answered, m_accounts);

    // Which answer entry belongs to which account, then every row mapped off the window's thread.
    QList<QList<qsizetype>> entriesOf(m_accounts.size());
    QList<std::exception_ptr> firstFailure(m_accounts.size());
    for (qsizetype q = 0; q < priceQuestions.size(); ++q) {
        const qsizetype i = priceQuestions[q].account;
        Outcome& outcome = m_outcomes[i];
        ++outcome.report.totalRequests;
        const qsizetype at = priceAnswers[q];
        std::exception_ptr failure;
        if (at < 0)
            failure = unanswered();
        else if (!priceEntries[at].error.isEmpty())
            failure = std::make_exception_ptr(TradeSoftError::api(priceEntries[at].error));
        if (!failure) {
            entriesOf[i].append(at);
            continue;
        }
        ++outcome.report.failedRequests;
        if (!firstFailure[i])
            firstFailure[i] = failure;
    }
    auto mapping = offload([entries = std::move(priceEntries), entriesOf, accounts = m_accounts,
                            now = QDateTime::currentDateTimeUtc()] {
        QList<std::pair<QList<SupplierOffer>, qsizetype>> mapped(accounts.size());
        for (qsizetype i = 0; i < accounts.size(); ++i) {
            QSet<QString> seen;
            for (const qsizetype at : entriesOf[i]) {
                for (const TradeSoftPriceItem& item : entries[at].rows) {
                    auto offer = AutoligaProvider::normalize(item, std::nullopt, accounts[i].id, accounts[i].name, now);
                    if (!offer) {
                        ++mapped[i].second;
                        continue;
                    }
                    if (seen.contains(offer->id()))
                        continue;
                    seen.insert(offer->id());
                    mapped[i].first.append(std::move(*offer));
                }
            }
        }
        return mapped;
    });
    auto mapped = co_await std::move(mapping);
    for (qsizetype i = 0; i < m_accounts.size(); ++i) {
        Outcome& outcome = m_outcomes[i];
        outcome.offers = std::move(mapped[i].first);
        outcome.report.skippedRecords = mapped[i].second;
        // No more than a search keeps: the rest is counted, not held.
        if (outcome.offers.size() > SearchLimits::maxOffersPerSearch) {
            outcome.report.skippedOffers = outcome.offers.size() - SearchLimits::maxOffersPerSearch;
            outcome.offers.resize(SearchLimits::maxOffersPerSearch);
        }
    }
    for (qsizetype i = 0; i < m_accounts.size(); ++i) {
        Outcome& outcome = m_outcomes[i];
        if (!firstFailure[i])
            continue;
        if (outcome.report.failedRequests == outcome.report.totalRequests) {
            outcome = Outcome{{}, {}, firstFailure[i]};
            continue;
        }
        outcome.report.firstFailure = descriptionOf(firstFailure[i]);
    }
}

TradeSoftAccountProvider::TradeSoftAccountProvider(std::shared_ptr<TradeSoftAccountSearch> search, qsizetype index,
                                                   SupplierDescriptor descriptor)
    : m_search(std::move(search))
    , m_index(index)
    , m_descriptor(std::move(descriptor)) {}

QCoro::Task<QList<SupplierOffer>> TradeSoftAccountProvider::search(QString article) {
    m_report = {};
    const QString query = TextUtils::trimmedUpper(article);
    if (query.isEmpty())
        co_return {};
    auto part = m_search->outcome(query, m_index);
    TradeSoftAccountSearch::Outcome outcome = co_await std::move(part);
    if (outcome.error)
        std::rethrow_exception(outcome.error);
    m_report = outcome.report;
    co_return std::move(outcome.offers);
}
