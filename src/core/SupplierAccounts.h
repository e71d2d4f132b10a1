#pragma once

#include "SupplierAccount.h"
#include "SupplierAppearance.h"

#include <QList>
#include <QObject>

#include <functional>
#include <optional>

class UserDefaults;

// The suppliers the buyer added, in the order added, as the user defaults store holds them
// (under UserDefaultsKeys::supplierAccounts). Every change is made to the list as stored at that
// moment, so that the window and orelia-cli never undo each other's changes. Lives on the UI thread.
class SupplierAccounts : public QObject {
    Q_OBJECT

public:
    explicit SupplierAccounts(UserDefaults& defaults, QObject* parent = nullptr);

    const QList<SupplierAccount>& all() const { return m_accounts; }
    QList<SupplierAccount> enabled() const;
    std::optional<SupplierAccount> find(QStringView id) const;

    struct Added {
        // As stored: with its id and colour. Absent when refused.
        std::optional<SupplierAccount> account;
        // Why it was refused.
        QString error;
    };
    // Adds the account under the id `draft.id`; when another account has that id, under the id with
    // "-2", "-3"… appended if `numberIfTaken`, else not at all. Its colour is the first one of the
    // palette no other account has.
    Added add(SupplierAccount draft, bool numberIfTaken);
    // The account's name, address, provider and switch, by its id; false when there is no such
    // account or the change could not be saved.
    bool update(const SupplierAccount& account);
    // False only when there is no such account (whether it was saved: UserDefaults::isWritable()).
    bool setEnabled(QStringView id, bool enabled);
    bool remove(QStringView id);

    // The built-in suppliers' colours, the accounts' palette colours, the dimmed text colour for others.
    SupplierColor color(QStringView supplierID) const;
    // Said when a change did not reach the settings file.
    QString notSavedText() const;

    // Reads the list as stored now (another process may have changed it).
    void reload();

Q_SIGNALS:
    void changed();

private:
    QList<SupplierAccount> stored() const;
    // Applies `edit` to the stored list under the settings lock; false when it refused or the
    // write failed.
    bool change(const std::function<bool(QList<SupplierAccount>&)>& edit);

    UserDefaults& m_defaults;
    QList<SupplierAccount> m_accounts;
};
