#include "SearchViewModel.h"

#include "core/PerformanceLog.h"
#include "core/SupplierPreferences.h"
#include "core/TextUtils.h"
#include "core/UserFacingError.h"
#include "OfferSemanticGuard.h"

#include <QElapsedTimer>
#include <QHash>
#include <QLocale>
#include <QPointer>
#include <QSet>

namespace {

double elapsedSeconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

} // namespace

SearchViewModel::SearchViewModel(SupplierPreferences& preferences, SearchConnectorFactory& connectors, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_connectors(connectors) {}

void SearchViewModel::setArticle(const QString& article) {
    if (m_article == article)
        return;
    m_article = article;
    Q_EMIT articleChanged();
}

void SearchViewModel::setShowingSettings(bool showing) {
    if (m_showingSettings == showing)
        return;
    m_showingSettings = showing;
    Q_EMIT showingSettingsChanged();
}

void SearchViewModel::setOffers(QList<SupplierOffer> offers) {
    if (offers.isEmpty() && m_offers.isEmpty())
        return;
    m_offers = std::move(offers);
    Q_EMIT offersChanged();
}

void SearchViewModel::setIsLoading(bool loading) {
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

// Null and empty differ here: null means "absent".
void SearchViewModel::setErrorMessage(const QString& message) {
    if (m_errorMessage.isNull() == message.isNull() && m_errorMessage == message)
        return;
    m_errorMessage = message;
    Q_EMIT errorMessageChanged();
}

void SearchViewModel::setStatusMessage(const QString& message) {
    if (m_statusMessage.isNull() == message.isNull() && m_statusMessage == message)
        return;
    m_statusMessage = message;
    Q_EMIT statusMessageChanged();
}

void SearchViewModel::setSearchDurationDisplay(const QString& text) {
    if (m_searchDurationDisplay.isNull() == text.isNull() && m_searchDurationDisplay == text)
        return;
    m_searchDurationDisplay = text;
    Q_EMIT searchDurationDisplayChanged();
}

void SearchViewModel::setSupplierFailures(const QStringList& failures) {
    if (m_supplierFailures == failures)
        return;
    m_supplierFailures = failures;
    Q_EMIT supplierFailuresChanged();
}

void SearchViewModel::search() {
    const QString normalized = TextUtils::trimmedUpper(m_article);
    if (normalized.isEmpty() || m_isLoading)
        return;
    setArticle(normalized);
    setOffers({});
    setErrorMessage(QString());
    setStatusMessage(QString());
    setSearchDurationDisplay(QString());
    setSupplierFailures({});
    // The task runs eagerly up to its first suspension, so isLoading is set before we
    // return and a second submission is refused. It owns itself until it finishes.
    searchAllSuppliers(normalized);
}

// GCC 12 may destroy temporaries of a co_await full-expression twice, so every
// awaited task and every callable handed to one is a named local first.
QCoro::Task<> SearchViewModel::searchAllSuppliers(QString article) {
    QPointer<SearchViewModel> self(this);
    setIsLoading(true);
    setErrorMessage(QString());
    setStatusMessage(QStringLiteral("Ищем оригинал и аналоги…"));

    QElapsedTimer timer;
    timer.start();
    performanceLog(QString());
    performanceLog(QStringLiteral("⏱️ ===== ORELIA PERFORMANCE ====="));
    performanceLog(QStringLiteral("🔎 Артикул: ") + article);

    const bool autoEuroEnabled = m_preferences.autoEuroEnabled();
    const bool autopiterEnabled = m_preferences.autopiterEnabled();
    const bool autoligaEnabled = m_preferences.autoligaEnabled();

    const auto finish = [this, &timer] {
        const double seconds = elapsedSeconds(timer);
        performanceLog(QStringLiteral("🏁 ВСЕГО: ") + PerformanceLog::seconds(seconds) + QStringLiteral(" с"));
        setSearchDurationDisplay(durationDisplay(seconds));
        performanceLog(QStringLiteral("⏱️ ================================"));
        performanceLog(QString());
        setIsLoading(false);
        Q_EMIT searchFinished();
    };

    if (!autoEuroEnabled && !autopiterEnabled && !autoligaEnabled) {
        setOffers({});
        setErrorMessage(QString());
        setStatusMessage(QStringLiteral("Включите хотя бы одного поставщика в настройках."));
        finish();
        co_return;
    }

    // Both start now and run side by side; awaiting them in turn only fixes the reading order.
    std::optional<QCoro::Task<SupplierSearchResult>> autoEuroTask;
    std::optional<QCoro::Task<SupplierSearchResult>> autopiterTask;
    if (autoEuroEnabled) {
        std::shared_ptr<SupplierSearchProviding> provider = m_connectors.makeAutoEuro();
        Operation operation = [provider, article] { return provider->search(article); };
        ReportReader report = [provider] { return provider->lastSearchReport(); };
        autoEuroTask.emplace(supplierResult(QStringLiteral("AutoEuro"), std::move(operation), std::move(report)));
    }
    if (autopiterEnabled) {
        std::shared_ptr<SupplierSearchProviding> provider = m_connectors.makeAutopiter();
        Operation operation = [provider, article] { return provider->search(article); };
        ReportReader report = [provider] { return provider->lastSearchReport(); };
        autopiterTask.emplace(supplierResult(QStringLiteral("Autopiter"), std::move(operation), std::move(report)));
    }
    std::optional<SupplierSearchResult> autoEuro;
    std::optional<SupplierSearchResult> autopiter;
    if (autoEuroTask)
        autoEuro = co_await std::move(*autoEuroTask);
    if (autopiterTask)
        autopiter = co_await std::move(*autopiterTask);
    if (!self)
        co_return;

    std::optional<SupplierSearchResult> autoliga;
    if (autoligaEnabled) {
        const QString brand = consensusBrand(article, autoEuro ? autoEuro->offers() : QList<SupplierOffer>{},
                                             autopiter ? autopiter->offers() : QList<SupplierOffer>{});
        std::shared_ptr<PortalOfferSearching> portal = m_connectors.makeAutoligaPortal();
        Operation operation = [portal, article, brand] { return portal->search(article, brand); };
        auto task = supplierResult(QStringLiteral("Автолига (портал)"), std::move(operation));
        autoliga = co_await std::move(task);
        if (!self)
            co_return;
    }

    QList<SupplierOffer> merged;
    QStringList failures;
    for (const auto* result : {&autoEuro, &autopiter, &autoliga}) {
        if (!*result)
            continue;
        merged += (*result)->offers();
        if (!(*result)->failureText().isEmpty())
            failures.append((*result)->failureText());
    }

    QElapsedTimer stepTimer;
    stepTimer.start();
    const QList<SupplierOffer> unique = deduplicated(merged);
    performanceLog(QStringLiteral("🧹 Дедупликация: %1 с · %2 → %3")
                       .arg(PerformanceLog::seconds(elapsedSeconds(stepTimer)))
                       .arg(merged.size())
                       .arg(unique.size()));

    stepTimer.restart();
    QList<SupplierOffer> filtered = OfferSemanticGuard::filter(unique, article);
    performanceLog(QStringLiteral("🧠 Semantic Guard: %1 с · %2 → %3")
                       .arg(PerformanceLog::seconds(elapsedSeconds(stepTimer)))
                       .arg(unique.size())
                       .arg(filtered.size()));

    const qsizetype count = filtered.size();
    setOffers(std::move(filtered));
    setSupplierFailures(failures);
    if (count == 0) {
        if (failures.isEmpty())
            setStatusMessage(QStringLiteral("По артикулу ") + article + QStringLiteral(" предложения не найдены."));
        else {
            setStatusMessage(QString());
            setErrorMessage(failures.join(u'\n'));
        }
    } else {
        QString status = article + QStringLiteral(" — найдено предложений: ") + QString::number(count);
        if (!failures.isEmpty())
            status += QStringLiteral(". ") + failures.join(u' ');
        setStatusMessage(status);
    }
    finish();
}

QCoro::Task<SupplierSearchResult> SearchViewModel::supplierResult(QString name, Operation operation,
                                                                  ReportReader report) {
    QElapsedTimer timer;
    timer.start();
    performanceLog(QStringLiteral("▶️ ") + name + QStringLiteral(": старт"));
    QString failure;
    try {
        auto task = operation();
        QList<SupplierOffer> offers = co_await std::move(task);
        const SupplierSearchReport noticed = report ? report() : SupplierSearchReport();
        QString partial;
        if (noticed.failedRequests > 0)
            partial = QStringLiteral("часть ответов не получена (%1 из %2): %3")
                          .arg(noticed.failedRequests)
                          .arg(noticed.totalRequests)
                          .arg(noticed.firstFailure);
        QString line = QStringLiteral("%1 %2: %3 с · %4 предложений")
                           .arg(partial.isEmpty() ? QStringLiteral("✅") : QStringLiteral("⚠️"), name,
                                PerformanceLog::seconds(elapsedSeconds(timer)))
                           .arg(offers.size());
        if (noticed.skippedRecords > 0)
            line += QStringLiteral(" · пропущено некорректных записей: %1").arg(noticed.skippedRecords);
        if (!partial.isEmpty())
            line += QStringLiteral(" · ") + partial;
        performanceLog(line);
        if (!partial.isEmpty())
            co_return SupplierSearchResult::partial(std::move(offers), name + QStringLiteral(": ") + partial);
        co_return SupplierSearchResult::success(std::move(offers));
    } catch (const UserFacingError& error) {
        failure = error.description();
    } catch (const std::exception& error) {
        // Not one of ours: still a failure of this supplier, never of the whole search.
        failure = QStringLiteral("Внутренняя ошибка: ") + QString::fromUtf8(error.what());
    }
    performanceLog(
        QStringLiteral("❌ %1: %2 с · %3").arg(name, PerformanceLog::seconds(elapsedSeconds(timer)), failure));
    co_return SupplierSearchResult::failure(name + QStringLiteral(": ") + failure);
}

QList<SupplierOffer> SearchViewModel::deduplicated(const QList<SupplierOffer>& offers) {
    QList<SupplierOffer> out;
    out.reserve(offers.size());
    QSet<QString> seen;
    seen.reserve(offers.size());
    for (const auto& offer : offers) {
        const qsizetype before = seen.size();
        seen.insert(offer.id());
        if (seen.size() != before)
            out.append(offer);
    }
    return out;
}

QString SearchViewModel::consensusBrand(const QString& article, const QList<SupplierOffer>& first,
                                        const QList<SupplierOffer>& second) {
    const QString query = TextUtils::trimmedUpper(article);
    QHash<QString, int> counts;
    QStringList order;
    for (const auto* list : {&first, &second}) {
        for (const auto& offer : *list) {
            if (TextUtils::trimmedUpper(offer.article) != query)
                continue;
            const QString brand = TextUtils::trimmedUpper(offer.brand);
            if (brand.isEmpty())
                continue;
            if (!counts.contains(brand))
                order.append(brand);
            ++counts[brand];
        }
    }
    QString best;
    int bestCount = 0;
    for (const auto& brand : order) {
        if (counts.value(brand) > bestCount) {
            best = brand;
            bestCount = counts.value(brand);
        }
    }
    return best.isNull() ? QStringLiteral("") : best;
}

QString SearchViewModel::durationDisplay(double seconds) {
    QLocale russian(QLocale::Russian, QLocale::Russia);
    russian.setNumberOptions(QLocale::OmitGroupSeparator);
    return QStringLiteral("Поиск: ") + russian.toString(std::max(0.0, seconds), 'f', 1) + QStringLiteral(" с");
}

void SearchViewModel::performanceLog(const QString& message) {
    PerformanceLog::append(message);
}
