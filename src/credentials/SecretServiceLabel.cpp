#include "SecretServiceLabel.h"

#include "core/SupplierDescriptor.h"

#ifdef ORELIA_SECRET_SERVICE
#include <QCoroDBusPendingReply>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingReply>
#include <QDBusVariant>
#endif

namespace SecretServiceLabel {

QString of(const QString& account) {
    for (const SupplierDescriptor& d : SupplierDescriptors::all()) {
        for (const SupplierCredentialField& field : d.credentialFields) {
            if (field.keychainAccount != account)
                continue;
            // "Автолига логин" names its supplier already; "Пароль" reads as a word of the phrase.
            if (field.title.startsWith(d.displayName))
                return QStringLiteral("Orelia: ") + field.title;
            QString title = field.title;
            if (!title.contains(u' ') && title.front().script() == QChar::Script_Cyrillic)
                title = title.toLower();
            return QStringLiteral("Orelia: ") + d.displayName + u' ' + title;
        }
    }
    return QStringLiteral("Orelia: ") + account;
}

#ifdef ORELIA_SECRET_SERVICE

QCoro::Task<> apply(QString service, QString account) {
    using Paths = QList<QDBusObjectPath>;
    static const int registered = [] {
        qDBusRegisterMetaType<QMap<QString, QString>>();
        return 0;
    }();
    Q_UNUSED(registered);
    constexpr int kTimeoutMs = 5000;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        co_return;
    QDBusMessage search = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("SearchItems"));
    // Not started for this: when QtKeychain wrote through the Secret Service, it runs already.
    search.setAutoStartService(false);
    search << QVariant::fromValue(
        QMap<QString, QString>{{QStringLiteral("user"), account}, {QStringLiteral("server"), service}});
    QDBusPendingReply<Paths, Paths> found = bus.asyncCall(search, kTimeoutMs);
    co_await found;
    if (found.isError())
        co_return;
    // Locked items would ask for the keyring's password; the item just written is unlocked.
    for (const QDBusObjectPath& item : found.argumentAt<0>()) {
        QDBusMessage set =
            QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.secrets"), item.path(),
                                           QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"));
        set.setAutoStartService(false);
        set << QStringLiteral("org.freedesktop.Secret.Item") << QStringLiteral("Label")
            << QVariant::fromValue(QDBusVariant(of(account)));
        QDBusPendingReply<> done = bus.asyncCall(set, kTimeoutMs);
        co_await done;
    }
}

#else

QCoro::Task<> apply(QString, QString) {
    co_return;
}

#endif

} // namespace SecretServiceLabel
