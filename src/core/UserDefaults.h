#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariantMap>

#include <functional>
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
inline const QString inStockFilterEnabled = QStringLiteral("oreliaInStockFilterEnabled");
inline const QString deliveryFilterEnabled = QStringLiteral("oreliaDeliveryFilterEnabled");
inline const QString deliveryFilterDays = QStringLiteral("oreliaDeliveryFilterDays");
inline const QString copyNumbersWithPoint = QStringLiteral("oreliaCopyNumbersWithPoint");
inline const QString cart = QStringLiteral("Orelia.Cart.v1");
inline const QString portalOfferOrigins = QStringLiteral("Orelia.Autoliga.PortalOfferOrigins.v1");
// Service addresses the buyer saved in a supplier's sheet, as text; absent: the built-in one.
inline const QString autoEuroAddress = QStringLiteral("supplier.autoeuro.address");
inline const QString autopiterAddress = QStringLiteral("supplier.autopiter.address");
inline const QString tradeSoftAddress = QStringLiteral("supplier.autoliga.tradesoftAddress");
inline const QString autoligaPortalAddress = QStringLiteral("supplier.autoliga.portalAddress");
// Autoliga's provider identifier inside TradeSoft; absent: the one built in.
inline const QString autoligaTradeSoftProvider = QStringLiteral("supplier.autoliga.tradesoftProvider");
// The suppliers the buyer added (ABCP shops, TradeSoft providers), as a JSON array.
inline const QString supplierAccounts = QStringLiteral("Orelia.SupplierAccounts.v1");
} // namespace UserDefaultsKeys

// Tells the parts that show stored values when another process changed the settings file.
class UserDefaultsNotifier : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

Q_SIGNALS:
    // The file was changed by another process; what is read from now on is the new state.
    void changedElsewhere();
};

// Typed access to the user's settings over QSettings, with "is this key present"
// semantics. A value of the wrong type (a damaged or hand-edited file) reads as absent,
// so callers fall back to their defaults instead of guessing.
//
// The file is shared by every Orelia process (the window, orelia-cli, scripts). Every write
// is a change applied to the file as it stands at that moment: under the settings lock, after
// re-reading the file, and on the disk before the lock is released. A change that reads a value
// and writes it back (add a cart line) runs inside transaction(), so no process ever writes back
// a whole value it read earlier.
class UserDefaults {
public:
    // The platform's standard settings location for organisation "Orelia" and the given application
    // ("Orelia", or "Orelia Demo" for the demo mode).
    explicit UserDefaults(const QString& application = QStringLiteral("Orelia"));
    // A settings file at an explicit path (tests, tools).
    static std::unique_ptr<UserDefaults> atPath(const QString& filePath);

    ~UserDefaults();

    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // Emits when another process changed the file, once watchForChanges() was called.
    UserDefaultsNotifier& notifier() { return *m_notifier; }
    // Watches the file for changes made by other processes (the window does; a single command
    // of orelia-cli has no need to). Within a fraction of a second of such a change the values
    // are re-read and the notifier says so.
    void watchForChanges();

    // Runs `change` as one operation on the values as stored now: the lock is taken, the file
    // re-read, and every write inside `change` reaches the disk before the lock is released.
    // Transactions nest (the inner one is part of the outer). False, with nothing written, when
    // the lock could not be had (another process held it for seconds) or the write failed.
    bool transaction(const std::function<void()>& change);

    bool contains(const QString& key) const;
    // Whether the value is stored as data (the form every write of setData gives it), rather
    // than as text or a list that a hand edit left.
    bool holdsData(const QString& key) const;
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
    // False when the last write did not reach the disk (read-only or unwritable file, or the
    // lock not to be had).
    bool isWritable() const;
    // False when the settings file exists but cannot be read at all (no permission, not a file):
    // every value then reads as absent, and nothing should act on those defaults.
    bool isReadable() const { return m_readable; }
    // Said instead of acting on defaults when the file cannot be read.
    QString unreadableMessage() const;
    QString fileName() const;
    // Where a settings file that could not be read cleanly was copied before its first
    // rewrite; empty when that never happened.
    QString damagedCopy() const { return m_damagedCopy; }

private:
    UserDefaults(std::unique_ptr<QSettings> settings, bool ownFolder);
    void write(const QString& key, const QVariant& value);
    void keepDamagedFile();
    void flush();
    void reopen();
    void inspect();
    void noticeFileChange();

    struct FileStamp {
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const FileStamp&) const = default;
    };
    FileStamp fileStamp() const;

    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<UserDefaultsNotifier> m_notifier;
    // The file as this process last wrote or read it, so that its own writes are no news.
    FileStamp m_knownStamp;
    // QSettings met lines or values it could not read: its next write would drop them.
    bool m_damaged = false;
    QString m_damagedCopy;
    bool m_lastWriteOk = true;
    bool m_readable = true;
    int m_transactionDepth = 0;
    // Something was written in the transaction under way.
    bool m_wrote = false;
};
