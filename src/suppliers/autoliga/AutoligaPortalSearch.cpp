#include "AutoligaPortalSearch.h"

#include "AutoligaPortalError.h"
#include "AutoligaPortalSearchContext.h"
#include "AutoligaPortalSession.h"
#include "core/OfferRanges.h"
#include "core/Offload.h"
#include "core/SupplierDescriptor.h"
#include "core/TextUtils.h"
#include "suppliers/JsonDecoding.h"

#include <QMap>
#include <QSet>
#include <QUrl>

#include <algorithm>
#include <charconv>
#include <limits>
#include <memory>
#include <utility>

namespace {

using Kind = AutoligaPortalError::Kind;

const QString kOfferKeyPrefix = QStringLiteral("portal-selection:");

// A member as text: a string, or a number as written; other types count as absent.
std::optional<QString> text(const Json::Value& row, QStringView key) {
    const std::optional<Json::Value> value = row.member(key);
    if (!value || (value->type() != Json::Value::Type::string && value->type() != Json::Value::Type::number))
        return std::nullopt;
    return value->text();
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Optional sign and ASCII digits only, within 64 bits.
std::optional<std::int64_t> decimalInteger(QStringView text) {
    const bool negative = text.startsWith(u'-');
    const QStringView digits = negative || text.startsWith(u'+') ? text.sliced(1) : text;
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), isDigit))
        return std::nullopt;
    const QByteArray ascii = (negative ? QByteArrayLiteral("-") : QByteArray()) + digits.toLatin1();
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(ascii.constData(), ascii.constData() + ascii.size(), value);
    if (error != std::errc() || end != ascii.constData() + ascii.size())
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> quantity(const Json::Value& row, QStringView key) {
    const auto value = text(row, key);
    return value ? decimalInteger(*value) : std::nullopt;
}

bool isGroupSpace(QChar c) {
    // A blank, a no-break space or a thin one: Russian thousands separators.
    return c == u' ' || c == u'\u00a0' || c == u'\u202f' || c == u'\u2009';
}

// Digits grouped by three: "250", "000"; the first group may be shorter.
bool groupedByThree(const QStringList& groups) {
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const qsizetype n = groups[i].size();
        if (n == 0 || n > 3 || (i > 0 && n != 3))
            return false;
    }
    return true;
}

// The number at the start of a price text (after white space), whatever follows it ("руб", a
// second number). Both conventions are read: "1250.50", "1,250.50", "1 250,50" (space, no-break
// or thin space between thousands) and "1.250,50". A text whose number could be read two ways
// ("1,250": one and a quarter, or twelve hundred and fifty?) is no number: the row is dropped
// rather than priced by a guess.
std::optional<Decimal> leadingPrice(QStringView text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i].isSpace())
        ++i;
    QString sign;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        sign = text[i++];
    const auto digitAt = [&](qsizetype at) { return at < n && isDigit(text[at]); };
    // Digit runs and the single separator before each of them.
    QStringList runs{QString()};
    QString separators;
    while (i < n) {
        if (isDigit(text[i])) {
            runs.last() += text[i++];
            continue;
        }
        const QChar c = text[i];
        // A space continues the number only before a whole group of three digits.
        const bool space = isGroupSpace(c) && !runs.last().isEmpty() && digitAt(i + 3) && digitAt(i + 2) &&
                           digitAt(i + 1) && !digitAt(i + 4);
        if ((c == u'.' || c == u',') ? digitAt(i + 1) : space) {
            separators += isGroupSpace(c) ? QChar(u' ') : c;
            runs.append(QString());
            ++i;
            continue;
        }
        break;
    }
    if (runs.join(QString()).isEmpty())
        return std::nullopt;
    // An exponent counts only after a plain number ("1e400"), and only when digits follow it.
    QString exponent;
    if (separators.count(u',') == 0 && separators.count(u' ') == 0 && separators.size() <= 1 && i < n &&
        (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        if (digitAt(j)) {
            while (digitAt(j))
                ++j;
            exponent = text.sliced(i, j - i).toString();
        }
    }

    // The decimal mark is the last point or comma, unless it repeats (then it groups thousands).
    const qsizetype lastMark = std::max(separators.lastIndexOf(u'.'), separators.lastIndexOf(u','));
    QChar decimal;
    if (lastMark >= 0) {
        const QChar mark = separators[lastMark];
        const bool repeated = separators.count(mark) > 1;
        const bool otherBefore = separators.left(lastMark).contains(mark == u'.' ? u',' : u'.');
        if (!repeated)
            decimal = mark;
        // "1,250" alone: a comma with three digits after it and nothing else to tell.
        if (mark == u',' && !repeated && !otherBefore && !separators.contains(u' ') && runs.last().size() == 3 &&
            runs.first() != u"0")
            return std::nullopt;
        // Another mark after the decimal one, or a point and a comma that both repeat: no number.
        if (repeated && otherBefore)
            return std::nullopt;
    }
    QStringList whole = runs;
    QString fraction;
    if (!decimal.isNull()) {
        fraction = whole.takeLast();
        // Only one kind of mark may group, and it must stand before the decimal mark.
        if (separators.left(lastMark).contains(decimal))
            return std::nullopt;
    }
    if (whole.size() > 1 && !groupedByThree(whole))
        return std::nullopt;
    QString plain = sign + whole.join(QString());
    if (plain.size() == sign.size())
        plain += u'0';
    if (!fraction.isEmpty())
        plain += u'.' + fraction;
    return Decimal::parse(plain + exponent);
}

bool isArrayOfObjects(const QList<Json::Value>& elements) {
    return std::all_of(elements.begin(), elements.end(),
                       [](const Json::Value& element) { return element.type() == Json::Value::Type::object; });
}

std::optional<SupplierOffer> offerFromRow(const Json::Value& row, const QString& identifier, const QDateTime& now) {
    const QString article = text(row, u"article").value_or(QString());
    const QString brand = text(row, u"brand").value_or(QString());
    QString name = text(row, u"name").value_or(QString());
    if (name.isEmpty())
        name = text(row, u"description").value_or(QString());
    if (article.isEmpty() || brand.isEmpty() || name.isEmpty())
        return std::nullopt;

    const auto priceText = text(row, u"price");
    if (!priceText)
        return std::nullopt;
    const auto price = leadingPrice(*priceText);
    if (!price)
        return std::nullopt;

    const auto termText = text(row, u"term");
    const auto term = termText ? decimalInteger(*termText) : std::nullopt;
    if (!term || *term < 0)
        return std::nullopt;

    const SupplierDescriptor& descriptor = SupplierDescriptors::autoliga();
    SupplierOffer offer;
    offer.supplierID = descriptor.id;
    offer.supplierName = descriptor.displayName;
    offer.supplierOfferKey = kOfferKeyPrefix + identifier;
    offer.brand = brand;
    offer.article = article;
    offer.name = name;
    offer.price = *price;
    offer.currency = QStringLiteral("RUB");
    offer.availableQuantity = quantity(row, u"amountNum");
    offer.minimumQuantity = quantity(row, u"minimumQuantity");
    offer.deliveryDescription = QString::number(*term) + QStringLiteral(" дн.");
    offer.updatedAt = now;
    if (const auto css = text(row, u"cssRule")) {
        const QRegularExpressionMatch match = AutoligaPortalSearch::backgroundRule().match(*css);
        if (match.hasMatch())
            offer.rowHighlightColor = match.captured(1).toUpper();
    }
    if (!OfferRanges::apply(offer, now))
        return std::nullopt;
    return offer;
}

} // namespace

AutoligaPortalSearch::AutoligaPortalSearch(CredentialStore& credentials, const ServiceEndpoints& endpoints,
                                           AutoligaPortalSearchContext& context)
    : AutoligaPortalSearch(credentials, endpoints, context, {requestTimeout, resourceTimeout}) {}

AutoligaPortalSearch::AutoligaPortalSearch(CredentialStore& credentials, const ServiceEndpoints& endpoints,
                                           AutoligaPortalSearchContext& context, Timeouts timeouts)
    : m_credentials(credentials)
    , m_endpoints(endpoints)
    , m_context(context)
    , m_timeouts(timeouts) {}

namespace {

// The search step on a session whose sign-in was started when this was made.
class PreparedAutoligaSearch final : public PreparedPortalSearch {
public:
    PreparedAutoligaSearch(std::shared_ptr<AutoligaPortalSession> session, AutoligaPortalSearchContext& context)
        : m_session(std::move(session))
        , m_context(context) {}

    QCoro::Task<QList<SupplierOffer>> search(QString article, QString brand) override;

private:
    // Given up when the search begins. Never searched, the session ends with its sign-in.
    std::shared_ptr<AutoligaPortalSession> m_session;
    AutoligaPortalSearchContext& m_context;
};

// GCC 12 may destroy temporaries of a co_await full-expression twice, so every awaited
// task is a named local first.
QCoro::Task<QList<SupplierOffer>> PreparedAutoligaSearch::search(QString article, QString brand) {
    const std::shared_ptr<AutoligaPortalSession> session = std::exchange(m_session, nullptr);
    if (!session)
        throw AutoligaPortalError(Kind::invalidResponse);
    // Every way out ends the session, so nothing of this sign-in reaches the next search.
    struct Closer {
        AutoligaPortalSession& session;
        ~Closer() { session.close(); }
    } closer{*session};

    auto signIn = session->signedIn();
    co_await std::move(signIn);

    QUrl searchURL = session->searchURL();
    // Every reserved character is escaped, "+" included, so that MANN+HUMMEL arrives as sent.
    QByteArray query = "article=" + QUrl::toPercentEncoding(TextUtils::trimmed(article)) + "&withAnalogs=1";
    if (!brand.isEmpty())
        query += "&brand=" + QUrl::toPercentEncoding(brand);
    searchURL.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    if (!searchURL.isValid())
        throw AutoligaPortalError(Kind::invalidAddress);

    Http::Request searchRequest;
    searchRequest.request.setUrl(searchURL);
    auto searchExchange = session->fetch(std::move(searchRequest), 299, true);
    const QByteArray body = co_await std::move(searchExchange);
    session->close();

    // A large answer is read off the window's thread.
    auto parsing = offload([body] { return AutoligaPortalSearch::parse(body); });
    QList<SupplierOffer> offers = co_await std::move(parsing);
    m_context.remember(offers, article, brand);
    co_return offers;
}

} // namespace

std::unique_ptr<PreparedPortalSearch> AutoligaPortalSearch::prepare() {
    return std::make_unique<PreparedAutoligaSearch>(
        AutoligaPortalSession::start(m_credentials, m_endpoints, m_timeouts), m_context);
}

QCoro::Task<QList<SupplierOffer>> AutoligaPortalSearch::search(QString article, QString brand) {
    auto prepared = prepare();
    auto search = prepared->search(std::move(article), std::move(brand));
    co_return co_await std::move(search);
}

QList<SupplierOffer> AutoligaPortalSearch::parse(const QByteArray& body, const QDateTime& now) {
    Json::Value document;
    try {
        document = Json::parse(body);
    } catch (const Json::DecodingError& error) {
        throw AutoligaPortalError::unreadable(Json::unreadableAnswer(body, error));
    } catch (const Json::LimitError&) {
        throw AutoligaPortalError(Kind::invalidResponse);
    }
    const std::optional<Json::Value> data = document.member(u"data");
    const std::optional<Json::Value> rows = data ? data->member(u"rows") : std::nullopt;
    if (!rows || rows->type() != Json::Value::Type::object)
        throw AutoligaPortalError(Kind::invalidResponse);

    // Group keys in ascending order; a key written twice counts once, with its last value.
    QMap<QString, Json::Value> groups;
    for (const auto& [key, value] : rows->members())
        groups.insert(key, value);

    QList<SupplierOffer> offers;
    // One set for the whole answer: a row repeated in a later group is the same offer.
    QSet<QString> seen;
    qsizetype rowCount = 0;
    for (auto group = groups.cbegin(); group != groups.cend(); ++group) {
        if (group.value().type() != Json::Value::Type::array)
            continue;
        const QList<Json::Value> entries = group.value().elements();
        if (!isArrayOfObjects(entries))
            continue;
        // Counted over the whole answer, however many groups share the rows.
        rowCount += entries.size();
        if (rowCount > Json::maxRows)
            throw AutoligaPortalError::unreadable(Json::tooManyRowsText());
        for (qsizetype index = 0; index < entries.size(); ++index) {
            const Json::Value& row = entries.at(index);
            QString identifier = text(row, u"id").value_or(QString());
            if (identifier.isEmpty())
                identifier = group.key() + u':' + QString::number(index);
            if (seen.contains(identifier))
                continue;
            seen.insert(identifier);
            if (auto offer = offerFromRow(row, identifier, now))
                offers.append(std::move(*offer));
        }
    }
    return offers;
}

const QRegularExpression& AutoligaPortalSearch::backgroundRule() {
    static const QRegularExpression rule(
        QStringLiteral(
            R"re((?:^|;)\s*background(?:-color)?\s*:\s*(#[0-9a-fA-F]{8}|#[0-9a-fA-F]{6}|#[0-9a-fA-F]{3})(?=\s*(?:!important)?\s*(?:;|$)))re"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return rule;
}
