#include "SupplierPreferences.h"

#include "SupplierDescriptor.h"
#include "UserDefaults.h"

SupplierPreferences::SupplierPreferences(UserDefaults& defaults, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_autoEuroEnabled(defaults.boolValue(UserDefaultsKeys::autoEuroEnabled, true))
    , m_autopiterEnabled(defaults.boolValue(UserDefaultsKeys::autopiterEnabled, true))
    , m_autoligaEnabled(defaults.boolValue(UserDefaultsKeys::autoligaEnabled, false)) {
    connect(&m_defaults.notifier(), &UserDefaultsNotifier::changedElsewhere, this, &SupplierPreferences::reload);
}

void SupplierPreferences::reload() {
    const auto update = [this](bool& flag, const QString& key, bool fallback,
                               void (SupplierPreferences::*signal)(bool)) {
        const bool stored = m_defaults.boolValue(key, fallback);
        if (stored == flag)
            return;
        flag = stored;
        Q_EMIT(this->*signal)(stored);
    };
    update(m_autoEuroEnabled, UserDefaultsKeys::autoEuroEnabled, true, &SupplierPreferences::autoEuroEnabledChanged);
    update(m_autopiterEnabled, UserDefaultsKeys::autopiterEnabled, true, &SupplierPreferences::autopiterEnabledChanged);
    update(m_autoligaEnabled, UserDefaultsKeys::autoligaEnabled, false, &SupplierPreferences::autoligaEnabledChanged);
}

QString SupplierPreferences::settingsProblem() const {
    return m_defaults.isReadable() ? QString() : m_defaults.unreadableMessage();
}

void SupplierPreferences::setAutoEuroEnabled(bool enabled) {
    const bool changed = m_autoEuroEnabled != enabled;
    m_autoEuroEnabled = enabled;
    if (changed)
        Q_EMIT autoEuroEnabledChanged(enabled);
    m_defaults.setBool(UserDefaultsKeys::autoEuroEnabled, enabled);
}

void SupplierPreferences::setAutopiterEnabled(bool enabled) {
    const bool changed = m_autopiterEnabled != enabled;
    m_autopiterEnabled = enabled;
    if (changed)
        Q_EMIT autopiterEnabledChanged(enabled);
    m_defaults.setBool(UserDefaultsKeys::autopiterEnabled, enabled);
}

void SupplierPreferences::setAutoligaEnabled(bool enabled) {
    const bool changed = m_autoligaEnabled != enabled;
    m_autoligaEnabled = enabled;
    if (changed)
        Q_EMIT autoligaEnabledChanged(enabled);
    m_defaults.setBool(UserDefaultsKeys::autoligaEnabled, enabled);
}

bool SupplierPreferences::isEnabled(QStringView supplierID) const {
    if (supplierID == SupplierDescriptors::autoEuroID)
        return m_autoEuroEnabled;
    if (supplierID == SupplierDescriptors::autopiterID)
        return m_autopiterEnabled;
    if (supplierID == SupplierDescriptors::autoligaID)
        return m_autoligaEnabled;
    return false;
}

bool SupplierPreferences::setEnabled(QStringView supplierID, bool enabled) {
    if (supplierID == SupplierDescriptors::autoEuroID)
        setAutoEuroEnabled(enabled);
    else if (supplierID == SupplierDescriptors::autopiterID)
        setAutopiterEnabled(enabled);
    else if (supplierID == SupplierDescriptors::autoligaID)
        setAutoligaEnabled(enabled);
    else
        return false;
    return true;
}
