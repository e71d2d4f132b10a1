#include "SupplierDescriptor.h"

#include <QHashFunctions>

size_t qHash(const SupplierCapabilities& c, size_t seed) {
    return qHash(c.rawValue(), seed);
}

size_t qHash(const SupplierCredentialField& f, size_t seed) {
    return qHashMulti(seed, f.id, f.title, static_cast<int>(f.kind), f.keychainAccount);
}

size_t qHash(const SupplierDescriptor& d, size_t seed) {
    seed = qHashMulti(seed, d.id, d.displayName, d.capabilities);
    for (const auto& field : d.credentialFields)
        seed = qHash(field, seed);
    return qHash(d.requiresIPWhitelist, seed);
}

namespace SupplierDescriptors {

using Kind = SupplierCredentialField::Kind;

const SupplierDescriptor& autoEuro() {
    static const SupplierDescriptor d{
        QStringLiteral("autoeuro"),
        QStringLiteral("AutoEuro"),
        SupplierCapabilities(127),
        {{QStringLiteral("api-key"), QStringLiteral("API-key"), Kind::secret, QStringLiteral("autoeuro-api-key")}},
        false,
    };
    return d;
}

const SupplierDescriptor& autopiter() {
    static const SupplierDescriptor d{
        QStringLiteral("autopiter"),
        QStringLiteral("Autopiter"),
        SupplierCapabilities(127),
        {{QStringLiteral("user-id"), QStringLiteral("User ID"), Kind::text, QStringLiteral("autopiter-user-id")},
         {QStringLiteral("password"), QStringLiteral("Пароль"), Kind::secret, QStringLiteral("autopiter-password")}},
        true,
    };
    return d;
}

const SupplierDescriptor& autoliga() {
    static const SupplierDescriptor d{
        QStringLiteral("autoliga"),
        QStringLiteral("Автолига"),
        SupplierCapabilities(31),
        {{QStringLiteral("tradesoft-user"), QStringLiteral("TradeSoft логин"), Kind::text,
          QStringLiteral("tradesoft-user")},
         {QStringLiteral("tradesoft-password"), QStringLiteral("TradeSoft пароль"), Kind::secret,
          QStringLiteral("tradesoft-password")},
         {QStringLiteral("provider-login"), QStringLiteral("Автолига логин"), Kind::text,
          QStringLiteral("autoliga-login")},
         {QStringLiteral("provider-password"), QStringLiteral("Автолига пароль"), Kind::secret,
          QStringLiteral("autoliga-password")}},
        false,
    };
    return d;
}

const QList<SupplierDescriptor>& all() {
    static const QList<SupplierDescriptor> list{autoEuro(), autopiter(), autoliga()};
    return list;
}

const SupplierDescriptor* find(QStringView id) {
    for (const auto& d : all()) {
        if (d.id == id)
            return &d;
    }
    return nullptr;
}

} // namespace SupplierDescriptors
