#pragma once

#include <QObject>

class UserDefaults;

// Which suppliers take part in a search. Lives on the UI thread; every change is
// signalled and written to the user defaults store at once.
class SupplierPreferences : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool autoEuroEnabled READ autoEuroEnabled WRITE setAutoEuroEnabled NOTIFY autoEuroEnabledChanged)
    Q_PROPERTY(bool autopiterEnabled READ autopiterEnabled WRITE setAutopiterEnabled NOTIFY autopiterEnabledChanged)
    Q_PROPERTY(bool autoligaEnabled READ autoligaEnabled WRITE setAutoligaEnabled NOTIFY autoligaEnabledChanged)

public:
    explicit SupplierPreferences(UserDefaults& defaults, QObject* parent = nullptr);

    bool autoEuroEnabled() const { return m_autoEuroEnabled; }
    bool autopiterEnabled() const { return m_autopiterEnabled; }
    bool autoligaEnabled() const { return m_autoligaEnabled; }

    void setAutoEuroEnabled(bool enabled);
    void setAutopiterEnabled(bool enabled);
    void setAutoligaEnabled(bool enabled);

    // By supplier id; false for an unknown id. Setting an unknown id does nothing and returns false.
    bool isEnabled(QStringView supplierID) const;
    bool setEnabled(QStringView supplierID, bool enabled);

    // Reads the switches as stored now (another process may have changed them); each one that
    // changed is signalled.
    void reload();
    // Why no search should run on these switches: the settings file exists but cannot be read,
    // so they are only the defaults. Empty when all is well.
    QString settingsProblem() const;

Q_SIGNALS:
    void autoEuroEnabledChanged(bool enabled);
    void autopiterEnabledChanged(bool enabled);
    void autoligaEnabledChanged(bool enabled);

private:
    UserDefaults& m_defaults;
    bool m_autoEuroEnabled;
    bool m_autopiterEnabled;
    bool m_autoligaEnabled;
};
