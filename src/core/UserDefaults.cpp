#include "UserDefaults.h"

#include <QDateTime>

#include <cmath>

UserDefaults::UserDefaults(const QString& application)
    : m_settings(std::make_unique<QSettings>(QStringLiteral("Orelia"), application)) {}

UserDefaults::UserDefaults(std::unique_ptr<QSettings> settings)
    : m_settings(std::move(settings)) {}

std::unique_ptr<UserDefaults> UserDefaults::atPath(const QString& filePath) {
    return std::unique_ptr<UserDefaults>(new UserDefaults(std::make_unique<QSettings>(filePath, QSettings::IniFormat)));
}

bool UserDefaults::contains(const QString& key) const {
    return m_settings->contains(key);
}

std::optional<bool> UserDefaults::boolValue(const QString& key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid())
        return std::nullopt;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    // Text formats keep booleans as words; anything else is not a boolean.
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        if (s == u"true" || s == u"1")
            return true;
        if (s == u"false" || s == u"0")
            return false;
        return std::nullopt;
    }
    if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong) {
        const auto n = v.toLongLong();
        if (n == 0 || n == 1)
            return n == 1;
    }
    return std::nullopt;
}

std::optional<double> UserDefaults::doubleValue(const QString& key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid())
        return std::nullopt;
    bool ok = false;
    double d = 0;
    if (v.typeId() == QMetaType::QString)
        d = v.toString().trimmed().toDouble(&ok); // C locale: decimal point
    else
        d = v.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

std::optional<QString> UserDefaults::stringValue(const QString& key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid() || v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

std::optional<QByteArray> UserDefaults::dataValue(const QString& key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid())
        return std::nullopt;
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    // A file edited by hand may hold the bytes as plain text.
    if (v.typeId() == QMetaType::QString)
        return v.toString().toUtf8();
    return std::nullopt;
}

std::optional<QVariantMap> UserDefaults::mapValue(const QString& key) const {
    const QVariant v = m_settings->value(key);
    if (!v.isValid() || v.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return v.toMap();
}

void UserDefaults::setBool(const QString& key, bool value) {
    m_settings->setValue(key, value);
    flush();
}

void UserDefaults::setDouble(const QString& key, double value) {
    m_settings->setValue(key, value);
    flush();
}

void UserDefaults::setString(const QString& key, const QString& value) {
    m_settings->setValue(key, value);
    flush();
}

void UserDefaults::setData(const QString& key, const QByteArray& value) {
    m_settings->setValue(key, value);
    flush();
}

void UserDefaults::setMap(const QString& key, const QVariantMap& value) {
    m_settings->setValue(key, value);
    flush();
}

void UserDefaults::remove(const QString& key) {
    m_settings->remove(key);
    flush();
}

void UserDefaults::copy(const QString& from, const QString& to) {
    const QVariant v = m_settings->value(from);
    if (!v.isValid())
        return;
    m_settings->setValue(to, v);
    flush();
}

QString UserDefaults::keepAside(const QString& key) {
    const QString base = key + QStringLiteral(".unreadable-") +
                         QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmsszzz'Z'"));
    // Two values kept aside within one millisecond still get keys of their own.
    QString target = base;
    for (int n = 2; m_settings->contains(target); ++n)
        target = base + u'-' + QString::number(n);
    copy(key, target);
    return target;
}

void UserDefaults::sync() {
    m_settings->sync();
}

bool UserDefaults::isWritable() const {
    return m_settings->status() == QSettings::NoError;
}

QString UserDefaults::fileName() const {
    return m_settings->fileName();
}

// QSettings writes the whole file atomically and merges keys that other processes
// changed meanwhile, so one process's cart survives another's preference change.
void UserDefaults::flush() {
    m_settings->sync();
}
