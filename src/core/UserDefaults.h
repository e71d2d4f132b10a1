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
    // Copies whatever is stored under `from`, as it is, to `to` (to keep unreadable data aside).
    void copy(const QString& from, const QString& to);
    // Copies the stored value, as it is, to a new key "<key>.unreadable-<UTC time>" and returns
    // that key, so that a value the program cannot read survives the next save.
    QString keepAside(const QString& key);

    // Re-reads what other processes wrote; also flushes pending writes.
    void sync();
    // False when the last flush failed (read-only or unwritable file).
    bool isWritable() const;
    QString fileName() const;

private:
    explicit UserDefaults(std::unique_ptr<QSettings> settings);
    void flush();

    std::unique_ptr<QSettings> m_settings;
};
