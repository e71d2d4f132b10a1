#pragma once

#include "core/SupplierAccount.h"
#include "SupplierSheet.h"

#include <QCoroTask>
#include <QPointer>

#include <optional>

class QComboBox;
class QFormLayout;
class QLineEdit;
class QRadioButton;
class SupplierPlatform;

// A supplier the buyer adds on a platform Orelia speaks (an ABCP shop, a supplier inside TradeSoft),
// or one added before: its name, what the platform needs (the shop's API address; the provider,
// picked from TradeSoft's list or typed), and its login, stored, checked and deleted. A new supplier
// is added with "Добавить", which also checks its connection; password fields start empty, and an
// empty one keeps what is stored.
class AccountSettingsSheet : public SupplierSheet {
    Q_OBJECT

public:
    // A new supplier when `account` is absent.
    AccountSettingsSheet(SettingsServices services, std::optional<SupplierAccount> account, QWidget* parent = nullptr);

    // Absent until the supplier is added.
    const std::optional<SupplierAccount>& account() const { return m_account; }
    QRadioButton* platformChoice(const QString& platformID) const;
    QComboBox* providerField() const { return m_provider; }
    QString loginInfo() const;
    QLineEdit* nameField() const { return m_name; }
    QLineEdit* addressField() const { return m_address; }
    QLineEdit* tradeSoftUserField() const { return m_tradeSoftUser; }
    QLineEdit* tradeSoftPasswordField() const { return m_tradeSoftPassword; }
    QLineEdit* loginField() const { return m_login; }
    QLineEdit* passwordField() const { return m_password; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* checkButton() const { return m_check; }
    QPushButton* deleteButton() const { return m_delete; }

Q_SIGNALS:
    // The stored logins are in the fields.
    void loaded();
    // TradeSoft's list of suppliers arrived (or could not be had).
    void providersLoaded();
    // A save, check or delete has finished (tests wait for it).
    void finished();

private:
    struct Entered {
        QString platform;
        QString name;
        QString address;
        QString provider;
        QString tradeSoftUser;
        QString tradeSoftPassword;
        QString login;
        QString password;
    };

    SupplierPlatform* platform() const;
    QString platformID() const;
    void showPlatform();
    void showAccount();
    void showAddressInUse();
    void providerChosen();
    QString enteredProvider() const;
    Entered entered() const;

    static QCoro::Task<> load(QPointer<AccountSettingsSheet> sheet, SettingsServices services);
    static QCoro::Task<> loadProviders(QPointer<AccountSettingsSheet> sheet, SettingsServices services);
    // Adds the supplier or saves its data, and its login; false (with the reason shown) when
    // something is missing or was refused.
    static QCoro::Task<bool> store(QPointer<AccountSettingsSheet> sheet, SettingsServices services, Entered entered,
                                   bool announce);
    static QCoro::Task<> save(QPointer<AccountSettingsSheet> sheet, SettingsServices services, Entered entered);
    static QCoro::Task<> check(QPointer<AccountSettingsSheet> sheet, SettingsServices services, Entered entered);
    static QCoro::Task<> remove(QPointer<AccountSettingsSheet> sheet, SettingsServices services);

    std::optional<SupplierAccount> m_account;
    QList<QRadioButton*> m_platforms;
    QLabel* m_platformNote = nullptr;
    QFormLayout* m_form = nullptr;
    QComboBox* m_provider = nullptr;
    QLabel* m_loginInfo = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_address = nullptr;
    QLabel* m_addressInUse = nullptr;
    QLineEdit* m_tradeSoftUser = nullptr;
    QLineEdit* m_tradeSoftPassword = nullptr;
    QLineEdit* m_login = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_check = nullptr;
    QPushButton* m_delete = nullptr;
    // The name the sheet filled in from a provider's title; typed names are the buyer's.
    QString m_filledName;
    // What a warning was shown for; saved when "Добавить" comes again with it.
    QString m_confirming;
    bool m_deleteAsked = false;
};
