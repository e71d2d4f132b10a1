#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <string>

// The SOAP the sandbox's Autopiter writes and reads.
namespace AutopiterSoap {

// Text with XML's special characters escaped.
QString escaped(QString text);
// <name>value</name>, the value escaped.
QString element(const QString& name, const QString& value);
// A whole answer of `operation`, holding `result` (already XML) in its result element.
QByteArray envelope(const QString& operation, const QString& result);
// A SOAP fault with this faultstring.
QByteArray fault(const QString& text);
// The texts of the request's elements by local name (the last one of a name wins).
QHash<QString, QString> requestValues(const std::string& body);

} // namespace AutopiterSoap
