#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

// The keys of the user defaults store, in one place.
namespace UserDefaultsKeys {
inline const QString autoEuroEnabled = QStringLiteral("supplier.autoeuro.enabled");
inline const QString autopiterEnabled = QStringLiteral("supplier.autopiter.enabled");
inline const QString autoligaEnabled = QStringLiteral("supplier.autoliga.enabled");
inline const QString markupPercent = QStringLiteral("oreliaMarkupPercent");
inline const QString rejectFilterEnabled = QStringLiteral("oreliaRejectFilterEnabled");
inline const QString rejectThreshold = QStringLiteral("oreliaRejectThreshold");
inline const QString copyNumbersWithPoint = QStringLiteral("oreliaCopyNumbersWithPoint");
inline const QString cart = QStringLiteral("Orelia.Cart.v1");
inline const QString portalOfferOrigins = QStringLiteral("Orelia.Autoliga.PortalOfferOrigins.v1");
} // namespace UserDefaultsKeys

// Typed access to the user's settings over QSettings, with "is this key present"
// semantics. A value of the wrong type (a damaged or hand-edited file) reads as absent,
// so callers fall back to their defaults instead of guessing. Every write is flushed at once.
class UserDefaults {
public:
    // The platform's standard settings location for organisation "Orelia" and the given application
    // ("Orelia", or "Orelia Demo" for the demo mode).
    explicit UserDefaults(const QString& application = QStringLiteral("Orelia"));
    // A settings file at an explicit path (tests, tools).
    static std::unique_ptr<UserDefaults> atPath(const QString& filePath);

    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    bool contains(const QString& key) const;
    std::optional<bool> boolValue(const QString& key) const;
    // Finite numbers only.
    std::optional<double> doubleValue(const QString& key) const;
    std::optional<QString> stringValue(const QString& key) const;
    std::optional<QByteArray> dataValue(const QString& key) const;
    // A dictionary; absent when the stored value is something else.
    std::optional<QVariantMap> mapValue(const QString& key) const;

    bool boolValue(const QString& key, bool fallback) const { return boolValue(key).value_or(fallback); }
    double doubleValue(const QString& key, double fallback) const { return doubleValue(key).value_or(fallback); }

    void setBool(const QString& key, bool value);
    void setDouble(const QString& key, double value);
    void setString(const QString& key, const QString& value);
    void setData(const QString& key, const QByteArray& value);
    void setMap(const QString& key, const QVariantMap& value);
    void remove(const QString& key);
    // Copies whatever is stored under `from`, as it is, to `to`.
    void copy(const QString& from, const QString& to);
    // The stored value exactly as it stands: the bytes of a data value, or else the text of
    // its line in the settings file, before QSettings reads lists or escapes into it.
    std::optional<QByteArray> rawValue(const QString& key) const;
    // Keeps the raw stored value of `key` under a new key "<key>.unreadable-<UTC time>" (never
    // over an earlier one) and returns that key; empty when nothing is stored.
    QString keepAside(const QString& key);

    // Re-reads what other processes wrote; also flushes pending writes.
    void sync();
    // False when the last write did not reach the disk (read-only or unwritable file).
    bool isWritable() const;
    QString fileName() const;
    // Where a settings file that could not be read cleanly was copied before its first
    // rewrite; empty when that never happened.
    QString damagedCopy() const { return m_damagedCopy; }

private:
    explicit UserDefaults(std::unique_ptr<QSettings> settings);
    void write(const QString& key, const QVariant& value);
    void flush();
    void reopen();

    std::unique_ptr<QSettings> m_settings;
    // QSettings met lines it could not read: its next write would drop them.
    bool m_damaged = false;
    QString m_damagedCopy;
    bool m_lastWriteOk = true;
};
