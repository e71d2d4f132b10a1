#include "AutopiterSoap.h"

#include "AutopiterSandboxService.h"

#include <QXmlStreamReader>

namespace AutopiterSoap {

QString escaped(QString text) {
    text.replace(u'&', QStringLiteral("&amp;"));
    text.replace(u'<', QStringLiteral("&lt;"));
    text.replace(u'>', QStringLiteral("&gt;"));
    text.replace(u'"', QStringLiteral("&quot;"));
    return text;
}

QString element(const QString& name, const QString& value) {
    return u'<' + name + u'>' + escaped(value) + QStringLiteral("</") + name + u'>';
}

QByteArray envelope(const QString& operation, const QString& result) {
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                           "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                           "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">\n  <soap:Body>\n    <") +
            operation + QStringLiteral("Response xmlns=\"") +
            QString::fromUtf16(AutopiterSandboxService::serviceNamespace) + QStringLiteral("\">\n      <") + operation +
            QStringLiteral("Result>") + result + QStringLiteral("</") + operation + QStringLiteral("Result>\n    </") +
            operation + QStringLiteral("Response>\n  </soap:Body>\n</soap:Envelope>\n"))
        .toUtf8();
}

QByteArray fault(const QString& text) {
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                           "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">\n"
                           "  <soap:Body>\n    <soap:Fault>\n      <faultcode>soap:Client</faultcode>\n"
                           "      <faultstring>") +
            escaped(text) + QStringLiteral("</faultstring>\n    </soap:Fault>\n  </soap:Body>\n</soap:Envelope>\n"))
        .toUtf8();
}

QHash<QString, QString> requestValues(const std::string& body) {
    QHash<QString, QString> values;
    QXmlStreamReader reader(QByteArray::fromStdString(body));
    QString text;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            text.clear();
            break;
        case QXmlStreamReader::Characters:
            text += reader.text();
            break;
        case QXmlStreamReader::EndElement:
            values.insert(reader.name().toString(), text);
            text.clear();
            break;
        default:
            break;
        }
    }
    return values;
}

} // namespace AutopiterSoap
