#include "AutoEuroClient.h"

#include "core/Offload.h"
#include "core/TextUtils.h"
#include "credentials/CredentialStore.h"
#include "net/Http.h"
#include "net/NetworkError.h"
#include "net/ServiceEndpoints.h"

#include <QCoroSignal>
#include <QNetworkRequest>
#include <QObject>
#include <QUrl>

#include <exception>

class AutoEuroPendingKeyRead : public QObject {
    Q_OBJECT
public:
    quint64 generation = 0;
    bool done = false;
    std::optional<QString> value;
    std::exception_ptr error;

Q_SIGNALS:
    void finished();
};

namespace {

// Runs on its own, so that the read completes for every waiter even if the request
// that started it is gone.
QCoro::Task<> readAPIKey(CredentialStore& store, std::shared_ptr<AutoEuroPendingKeyRead> pending);

} // namespace

QString AutoEuroClient::APIError::description() const {
    switch (m_kind) {
    case Kind::httpStatus:
        return QStringLiteral("AutoEuro вернул HTTP %1.").arg(m_status);
    case Kind::api:
        // The service's words (or the reader's) as one line: a line break in them must not
        // make a line of its own in the window, a terminal or the log.
        return QStringLiteral("Ошибка AutoEuro: ") + TextUtils::serverText(m_message);
    case Kind::missingAPIKey:
        return QStringLiteral("API-key AutoEuro не настроен.");
    case Kind::invalidURL:
        return m_message.isEmpty() ? QStringLiteral("Не удалось сформировать URL AutoEuro.")
                                   : QStringLiteral("Не удалось сформировать URL AutoEuro. ") + m_message;
    case Kind::invalidResponse:
        return QStringLiteral("AutoEuro вернул некорректный ответ.");
    case Kind::chelyabinskNotFound:
        return QStringLiteral("В AutoEuro не найдена точка доставки в Челябинске.");
    case Kind::keyRejected:
        return QStringLiteral("AutoEuro не принял API-key (HTTP %1%2). Проверьте ключ: «Настройки» → AutoEuro.")
            .arg(m_status)
            .arg(m_message.isEmpty() ? QString() : QStringLiteral(": ") + TextUtils::serverText(m_message));
    }
    return {};
}

AutoEuroClient::AutoEuroClient(QNetworkAccessManager& network, CredentialStore& credentials,
                               const ServiceEndpoints& endpoints)
    : m_network(network)
    , m_credentials(credentials)
    , m_endpoints(endpoints) {}

AutoEuroClient::~AutoEuroClient() = default;

namespace {

QCoro::Task<> readAPIKey(CredentialStore& store, std::shared_ptr<AutoEuroPendingKeyRead> pending) {
    try {
        const QString account = QString::fromUtf16(CredentialAccounts::autoEuroAPIKey);
        auto read = store.read(account);
        pending->value = co_await std::move(read);
    } catch (...) {
        // Handed to every waiter unchanged.
        pending->error = std::current_exception();
    }
    pending->done = true;
    Q_EMIT pending->finished();
}

constexpr qint64 kErrorTextLimit = 64 * 1024;

bool isUsableHeaderValue(const QString& key) {
    for (const QChar c : key) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    return true;
}

} // namespace

QCoro::Task<QString> AutoEuroClient::apiKey() {
    if (m_cachedAPIKey && !m_cachedAPIKey->isEmpty())
        co_return QString(*m_cachedAPIKey); // a copy: co_return moves from any lvalue it is given

    std::shared_ptr<AutoEuroPendingKeyRead> pending = m_pendingKeyRead;
    if (!pending) {
        pending = std::make_shared<AutoEuroPendingKeyRead>();
        pending->generation = m_keyGeneration;
        m_pendingKeyRead = pending;
        readAPIKey(m_credentials, pending);
    }
    if (!pending->done) {
        auto finished = qCoro(pending.get(), &AutoEuroPendingKeyRead::finished);
        co_await std::move(finished);
    }
    if (m_pendingKeyRead == pending)
        m_pendingKeyRead.reset();

    if (pending->error)
        std::rethrow_exception(pending->error);
    const QString key = pending->value.value_or(QString()).trimmed();
    // A key with line breaks or other control characters inside could never be a
    // header value; it is as good as no key.
    if (key.isEmpty() || !isUsableHeaderValue(key))
        throw APIError(APIError::Kind::missingAPIKey);
    if (pending->generation == m_keyGeneration)
        m_cachedAPIKey = key;
    co_return key;
}

void AutoEuroClient::invalidateCachedAPIKey() {
    m_cachedAPIKey.reset();
    m_pendingKeyRead.reset();
    ++m_keyGeneration;
}

QCoro::Task<QByteArray> AutoEuroClient::get(QString path, QueryItems query) {
    auto keyTask = apiKey();
    const QString key = co_await std::move(keyTask);

    QUrl url = m_endpoints.autoEuroAPI();
    if (url.isEmpty() || !url.isValid())
        throw APIError::invalidURL(m_endpoints.problem(ServiceEndpoints::Service::autoEuro));
    // Both halves are already percent-encoded: read them so, or "%20" in the origin
    // would be sent as "%2520".
    url.setPath(url.path(QUrl::FullyEncoded) + QString::fromLatin1(QUrl::toPercentEncoding(path, "/")),
                QUrl::StrictMode);
    if (!query.isEmpty()) {
        // Every reserved character is escaped, "+" included, so that a brand such as
        // MANN+HUMMEL does not arrive as "MANN HUMMEL".
        QByteArray encoded;
        for (const auto& [name, value] : query) {
            if (!encoded.isEmpty())
                encoded += '&';
            encoded += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
        }
        url.setQuery(QString::fromLatin1(encoded), QUrl::StrictMode);
    }
    if (!url.isValid())
        throw APIError(APIError::Kind::invalidURL);

    Http::Request request;
    request.request.setUrl(url);
    request.request.setRawHeader("key", key.toUtf8());
    request.request.setRawHeader("Accept", "application/json");
    request.timeout = m_timeout;
    // An error status may carry the service's own message; a long body there is no message.
    request.errorBodyLimit = kErrorTextLimit;

    Http::Response response;
    try {
        auto exchange = Http::send(m_network, std::move(request));
        response = co_await std::move(exchange);
    } catch (const UnusableResponseError&) {
        throw APIError(APIError::Kind::invalidResponse);
    }
    if (response.status <= 0)
        throw APIError(APIError::Kind::invalidResponse);
    if (!response.isSuccess()) {
        const std::optional<QString> message = autoEuroErrorMessage(response.body);
        if (response.status == 401 || response.status == 403)
            throw APIError::keyRejected(response.status, message.value_or(QString()));
        if (message)
            throw APIError::api(*message);
        throw APIError::httpStatus(response.status);
    }
    co_return response.body;
}

template <typename Record>
QCoro::Task<AutoEuroEnvelope<Record>> AutoEuroClient::envelope(QString path, QueryItems query) {
    auto exchange = get(std::move(path), std::move(query));
    const QByteArray body = co_await std::move(exchange);
    AutoEuroEnvelope<Record> envelope;
    try {
        // A large answer is read off the window's thread.
        auto decoding = offload([body] { return AutoEuroEnvelope<Record>::decode(body); });
        envelope = co_await std::move(decoding);
    } catch (const Json::DecodingError& error) {
        throw APIError::api(error.description());
    } catch (const Json::LimitError&) {
        throw APIError(APIError::Kind::invalidResponse);
    }
    if (envelope.ERROR)
        throw APIError::api(*envelope.ERROR);
    if (envelope.META && envelope.META->result && *envelope.META->result != u"OK")
        throw APIError::api(*envelope.META->result);
    co_return envelope;
}

template <typename Record> QCoro::Task<QList<Record>> AutoEuroClient::list(QString path, QueryItems query) {
    auto request = envelope<Record>(std::move(path), std::move(query));
    AutoEuroEnvelope<Record> answer = co_await std::move(request);
    co_return answer.DATA.value_or(QList<Record>());
}

QCoro::Task<QList<AutoEuroPayer>> AutoEuroClient::payers() {
    return list<AutoEuroPayer>(QStringLiteral("get_payers/"), {});
}

QCoro::Task<QList<AutoEuroDelivery>> AutoEuroClient::deliveries() {
    return list<AutoEuroDelivery>(QStringLiteral("get_deliveries/"), {});
}

QCoro::Task<QList<AutoEuroOrderStatus>> AutoEuroClient::orderStatuses() {
    return list<AutoEuroOrderStatus>(QStringLiteral("get_statuses/"), {});
}

QCoro::Task<QList<AutoEuroBrand>> AutoEuroClient::brands(QString article) {
    return list<AutoEuroBrand>(QStringLiteral("search_brands/"), {{QStringLiteral("code"), article}});
}

QCoro::Task<QList<AutoEuroOffer>> AutoEuroClient::offers(QString brand, QString code, QString deliveryKey) {
    auto request = offerAnswer(std::move(brand), std::move(code), std::move(deliveryKey));
    OfferAnswer answer = co_await std::move(request);
    co_return std::move(answer.offers);
}

QCoro::Task<AutoEuroClient::OfferAnswer> AutoEuroClient::offerAnswer(QString brand, QString code, QString deliveryKey) {
    auto request = envelope<AutoEuroOffer>(QStringLiteral("search_items/"),
                                           {{QStringLiteral("brand"), brand},
                                            {QStringLiteral("code"), code},
                                            {QStringLiteral("delivery_key"), deliveryKey},
                                            {QStringLiteral("with_crosses"), QStringLiteral("1")},
                                            {QStringLiteral("with_offers"), QStringLiteral("1")}});
    AutoEuroEnvelope<AutoEuroOffer> answer = co_await std::move(request);
    co_return OfferAnswer{answer.DATA.value_or(QList<AutoEuroOffer>()), answer.skippedRecords};
}

QCoro::Task<AutoEuroDelivery> AutoEuroClient::chelyabinskDelivery() {
    auto lookup = deliveries();
    const QList<AutoEuroDelivery> points = co_await std::move(lookup);
    for (const auto& point : points) {
        if (point.delivery_name.contains(u"Челябинск", Qt::CaseInsensitive))
            co_return point;
    }
    throw APIError(APIError::Kind::chelyabinskNotFound);
}

#include "AutoEuroClient.moc"
