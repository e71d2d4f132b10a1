#pragma once

#include "core/Decimal.h"
#include "core/UserFacingError.h"

#include <QDateTime>
#include <QString>
#include <QtTest>

#include <functional>
#include <optional>
#include <type_traits>

// A field as the tables write it: "none" when absent.
template <typename T> QString fieldText(const std::optional<T>& value) {
    if (!value)
        return QStringLiteral("none");
    if constexpr (std::is_same_v<T, QString>)
        return *value;
    else if constexpr (std::is_same_v<T, bool>)
        return *value ? QStringLiteral("true") : QStringLiteral("false");
    else if constexpr (std::is_same_v<T, Decimal>)
        return value->toString();
    else if constexpr (std::is_same_v<T, QDateTime>)
        return value->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    else
        return QString::number(*value);
}

// The description of the error `run` throws, or "<no error>".
template <typename Error = UserFacingError> QString failureOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const Error& error) {
        return error.description();
    }
    return QStringLiteral("<no error>");
}

// Checks "name=value;name=value" pairs against the fields a test read.
inline void compareFields(const QString& expected, const QHash<QString, QString>& actual) {
    for (const QString& pair : expected.split(u';')) {
        const auto field = pair.section(u'=', 0, 0);
        QCOMPARE(field + u'=' + actual.value(field), pair);
    }
}
