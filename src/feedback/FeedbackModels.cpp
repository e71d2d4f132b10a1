#include "FeedbackModels.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

// A JSON string literal. The members are written by hand because QJsonObject sorts its keys.
QString quoted(QStringView text) {
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out += u"\\\"";
            break;
        case u'\\':
            out += u"\\\\";
            break;
        case u'\b':
            out += u"\\b";
            break;
        case u'\f':
            out += u"\\f";
            break;
        case u'\n':
            out += u"\\n";
            break;
        case u'\r':
            out += u"\\r";
            break;
        case u'\t':
            out += u"\\t";
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out;
}

class ObjectWriter {
public:
    void add(QStringView key, const QString& rawValue) {
        m_text += m_text.isEmpty() ? u'{' : u',';
        m_text += quoted(key) + u':' + rawValue;
    }
    void addText(QStringView key, const QString& value) { add(key, quoted(value)); }
    void addOptionalText(QStringView key, const std::optional<QString>& value) {
        if (value)
            addText(key, *value);
    }
    void addBool(QStringView key, bool value) { add(key, value ? QStringLiteral("true") : QStringLiteral("false")); }
    QString finish() const { return m_text.isEmpty() ? QStringLiteral("{}") : m_text + u'}'; }

private:
    QString m_text;
};

QString supplierJson(const SupplierMetadata& supplier) {
    ObjectWriter w;
    w.addText(u"name", supplier.name);
    w.addText(u"website", supplier.website);
    w.addText(u"region", supplier.region);
    w.addBool(u"hasAccount", supplier.hasAccount);
    w.addText(u"integrationInfo", supplier.integrationInfo);
    w.addText(u"documentationURL", supplier.documentationURL);
    w.addText(u"integrationContact", supplier.integrationContact);
    return w.finish();
}

QString metadataJson(const FeedbackMetadata& metadata) {
    ObjectWriter w;
    w.addText(u"subject", metadata.subject);
    if (metadata.supplier)
        w.add(u"supplier", supplierJson(*metadata.supplier));
    return w.finish();
}

std::optional<QJsonObject> jsonObject(QByteArrayView body) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace

FeedbackRequest FeedbackRequest::from(const FeedbackDraft& draft) {
    FeedbackRequest request;
    request.category = FeedbackCategories::wireValue(draft.category);
    request.message = draft.message;
    request.contact = draft.contact;
    request.appVersion = draft.appVersion;
    request.osVersion = draft.macOSVersion;
    request.metadata.subject = draft.subject;
    if (const auto& candidate = draft.supplierCandidate) {
        request.supplierContext = candidate->supplierName;
        request.metadata.supplier =
            SupplierMetadata{candidate->supplierName,      candidate->website,         candidate->region,
                             candidate->hasAccount,        candidate->integrationInfo, candidate->documentationURL,
                             candidate->integrationContact};
    }
    return request;
}

QByteArray FeedbackRequest::toJson() const {
    ObjectWriter w;
    w.addText(u"category", category);
    w.addText(u"message", message);
    w.addOptionalText(u"contact", contact);
    w.addText(u"appVersion", appVersion);
    w.addText(u"osVersion", osVersion);
    w.addOptionalText(u"supplierContext", supplierContext);
    w.add(u"metadata", metadataJson(metadata));
    return w.finish().toUtf8();
}

std::optional<QDateTime> FeedbackResponse::parseDate(QStringView text) {
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})(?:\.(\d+))?(?:(Z)|([+-])(\d{2}):?(\d{2}))$)"));
    const auto match = pattern.match(text.toString());
    if (!match.hasMatch())
        return std::nullopt;
    auto number = [&](int group) { return match.capturedView(group).toInt(); };
    const QDate date(number(1), number(2), number(3));
    // Fractions finer than a millisecond are dropped, not rounded into the next second.
    const int ms = match.capturedView(7).isEmpty() ? 0 : (match.captured(7) + QStringLiteral("00")).left(3).toInt();
    const QTime time(number(4), number(5), number(6), ms);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    int offset = 0;
    if (match.capturedView(8).isEmpty()) {
        const int hours = number(10);
        const int minutes = number(11);
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        offset = (hours * 60 + minutes) * 60 * (match.capturedView(9) == u"-" ? -1 : 1);
    }
    const QDateTime result(date, time, Qt::OffsetFromUTC, offset);
    if (!result.isValid())
        return std::nullopt;
    return result.toUTC();
}

std::optional<FeedbackResponse> FeedbackResponse::decode(QByteArrayView body) {
    const auto object = jsonObject(body);
    if (!object)
        return std::nullopt;
    const QJsonValue id = object->value(u"id");
    const QJsonValue status = object->value(u"status");
    if (!id.isString() || !status.isString())
        return std::nullopt;
    FeedbackResponse response{id.toString(), status.toString(), std::nullopt};
    const QJsonValue createdAt = object->value(u"createdAt");
    if (createdAt.isUndefined() || createdAt.isNull())
        return response;
    if (!createdAt.isString())
        return std::nullopt;
    response.createdAt = parseDate(createdAt.toString());
    if (!response.createdAt)
        return std::nullopt;
    return response;
}

std::optional<ServerError> ServerError::decode(QByteArrayView body) {
    const auto object = jsonObject(body);
    if (!object)
        return std::nullopt;
    const QJsonValue error = object->value(u"error");
    if (!error.isString())
        return std::nullopt;
    return ServerError{error.toString()};
}
