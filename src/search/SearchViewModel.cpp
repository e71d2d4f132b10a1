#include "SearchViewModel.h"

#include "core/PerformanceLog.h"
#include "core/SupplierDescriptor.h"
#include "core/SupplierPreferences.h"
#include "core/TextUtils.h"
#include "core/UserFacingError.h"
#include "OfferMerge.h"
#include "OfferSemanticGuard.h"
#include "SearchSummary.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QPointer>

#include <array>
#include <utility>

SearchViewModel::SearchViewModel(SupplierPreferences& preferences, SearchConnectorFactory& connectors, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_connectors(connectors) {}

// A search still running keeps its run alive; it checks for this object before touching it.
SearchViewModel::~SearchViewModel() = default;

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

void SearchViewModel::setSearchedArticle(const QString& article) {
    if (m_searchedArticle == article)
        return;
    m_searchedArticle = article;
    Q_EMIT searchedArticleChanged();
}

void SearchViewModel::setArticleNote(const QString& note) {
    if (m_articleNote.isNull() == note.isNull() && m_articleNote == note)
        return;
    m_articleNote = note;
    Q_EMIT articleNoteChanged();
}

void SearchViewModel::setProgressText(const QString& text) {
    if (m_progressText == text)
        return;
    m_progressText = text;
    Q_EMIT progressTextChanged();
}

void SearchViewModel::setResultAgeNote(const QString& note) {
    if (m_resultAgeNote.isNull() == note.isNull() && m_resultAgeNote == note)
        return;
    m_resultAgeNote = note;
    Q_EMIT resultAgeNoteChanged();
}

void SearchViewModel::setNeedsSetup(bool needsSetup) {
    if (m_needsSetup == needsSetup)
        return;
    m_needsSetup = needsSetup;
    Q_EMIT needsSetupChanged();
}

QString SearchViewModel::setupMessage() {
    return SearchSummary::setupMessage();
}

QString SearchViewModel::noConnectionMessage() {
    return SearchSummary::noConnectionMessage();
}

QCoro::Task<> SearchViewModel::checkSetup() {
    QPointer<SearchViewModel> self(this);
    QStringList enabled;
    for (const auto* id :
         {SupplierDescriptors::autoEuroID, SupplierDescriptors::autopiterID, SupplierDescriptors::autoligaID}) {
        if (m_preferences.isEnabled(QString::fromUtf16(id)))
            enabled.append(QString::fromUtf16(id));
    }
    for (const SupplierAccount& account : m_preferences.accounts().enabled())
        enabled.append(account.id);
    QStringList missing;
    if (!enabled.isEmpty()) {
        auto ask = m_connectors.withoutCredentials(enabled);
        missing = co_await std::move(ask);
    }
    // A search that started meanwhile says what holds by its end.
    if (!self || m_isLoading)
        co_return;
    const bool needed = !enabled.isEmpty() && missing.size() == enabled.size();
    // The search that asked the buyer to connect a supplier is answered once one is.
    if (!needed && m_needsSetup && m_errorMessage == setupMessage())
        setErrorMessage(QString());
    setNeedsSetup(needed);
}

void SearchViewModel::search() {
    const QString normalized = TextUtils::searchQuery(m_article);
    if (normalized.isEmpty() || m_isLoading)
        return;
    // "ОС 90" typed on the Russian layout finds nothing anywhere; its Latin twin does.
    const QString query = TextUtils::latinLookalikes(normalized);
    setArticle(query);
    setSearchedArticle(query);
    setArticleNote(query == normalized ? QString() : TextUtils::lookalikesNote(normalized, query));
    setOffers({});
    setErrorMessage(QString());
    setStatusMessage(QString());
    setSearchDurationDisplay(QString());
    setSupplierFailures({});
    setResultAgeNote(QString());
    // The task runs eagerly up to its first suspension, so isLoading is set before we
    // return and a second submission is refused. It owns itself until it finishes.
    searchAllSuppliers(query);
}

void SearchViewModel::submit() {
    if (!m_isLoading) {
        search();
        return;
    }
    if (TextUtils::searchQuery(m_article).isEmpty())
        return;
    m_pendingArticle = m_article;
}

QString SearchViewModel::durationDisplay(double seconds) {
    QLocale russian(QLocale::Russian, QLocale::Russia);
    russian.setNumberOptions(QLocale::OmitGroupSeparator);
    return QStringLiteral("Поиск: ") + russian.toString(std::max(0.0, seconds), 'f', 1) + QStringLiteral(" с");
}

void SearchViewModel::performanceLog(const QString& message) {
    PerformanceLog::append(message);
}
