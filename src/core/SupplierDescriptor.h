#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <initializer_list>

// Capability bits of a supplier. The program sets them but never branches on them.
class SupplierCapabilities {
public:
    enum Flag : std::uint64_t {
        Search = 1u << 0,
        Analogues = 1u << 1,
        Stock = 1u << 2,
        DeliveryTerms = 1u << 3,
        RefusalRate = 1u << 4,
        OrderRevalidation = 1u << 5,
        Ordering = 1u << 6,
    };

    constexpr SupplierCapabilities() = default;
    constexpr explicit SupplierCapabilities(std::uint64_t rawValue)
        : m_raw(rawValue) {}
    constexpr SupplierCapabilities(std::initializer_list<Flag> flags) {
        for (const Flag f : flags)
            m_raw |= f;
    }

    constexpr std::uint64_t rawValue() const { return m_raw; }
    constexpr bool contains(Flag f) const { return (m_raw & f) == f; }
    constexpr bool contains(SupplierCapabilities other) const { return (m_raw & other.m_raw) == other.m_raw; }
    constexpr void insert(Flag f) { m_raw |= f; }
    constexpr void remove(Flag f) { m_raw &= ~static_cast<std::uint64_t>(f); }
    constexpr SupplierCapabilities united(SupplierCapabilities o) const {
        return SupplierCapabilities(m_raw | o.m_raw);
    }
    constexpr SupplierCapabilities intersected(SupplierCapabilities o) const {
        return SupplierCapabilities(m_raw & o.m_raw);
    }
    constexpr bool isEmpty() const { return m_raw == 0; }

    bool operator==(const SupplierCapabilities&) const = default;

private:
    std::uint64_t m_raw = 0;
};

struct SupplierCredentialField {
    enum class Kind { text, secret };

    QString id;
    QString title;
    Kind kind = Kind::text;
    QString keychainAccount;

    bool operator==(const SupplierCredentialField&) const = default;
};

struct SupplierDescriptor {
    QString id;
    QString displayName;
    SupplierCapabilities capabilities;
    QList<SupplierCredentialField> credentialFields;
    bool requiresIPWhitelist = false;

    bool operator==(const SupplierDescriptor&) const = default;
};

size_t qHash(const SupplierCapabilities& c, size_t seed = 0);
size_t qHash(const SupplierCredentialField& f, size_t seed = 0);
size_t qHash(const SupplierDescriptor& d, size_t seed = 0);

// The suppliers Orelia knows. Every place that builds a connector uses these values.
namespace SupplierDescriptors {

inline constexpr auto autoEuroID = u"autoeuro";
inline constexpr auto autopiterID = u"autopiter";
inline constexpr auto autoligaID = u"autoliga";

const SupplierDescriptor& autoEuro();
const SupplierDescriptor& autopiter();
const SupplierDescriptor& autoliga();
// In the order the settings list them.
const QList<SupplierDescriptor>& all();
// Nullptr for an id that is not a known supplier.
const SupplierDescriptor* find(QStringView id);

} // namespace SupplierDescriptors
