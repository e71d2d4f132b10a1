#pragma once

#include "SupplierSheet.h"

#include <QCoroTask>
#include <QPointer>

class QLineEdit;
class QPushButton;

// The TradeSoft account and the Autoliga account: entered, stored, deleted and checked.
// Opens with both logins; password fields start empty and an empty one keeps what is stored.
// Its address block holds the portal's address (which has no built-in value), TradeSoft's, and
// Autoliga's provider identifier inside TradeSoft.
class AutoligaSettingsSheet : public SupplierSheet {
    Q_OBJECT

public:
    AutoligaSettingsSheet(SettingsServices services, QWidget* parent = nullptr);

    QLineEdit* tradeSoftUserField() const { return m_tradeSoftUser; }
    QLineEdit* tradeSoftPasswordField() const { return m_tradeSoftPassword; }
    QLineEdit* autoligaLoginField() const { return m_autoligaLogin; }
    QLineEdit* autoligaPasswordField() const { return m_autoligaPassword; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* checkButton() const { return m_check; }
    QPushButton* deleteButton() const { return m_delete; }

Q_SIGNALS:
    void loaded();
    // A save, check or delete has finished (tests wait for it).
    void finished();

private:
    struct Entered {
        QString tradeSoftUser;
        QString tradeSoftPassword;
        QString autoligaLogin;
        QString autoligaPassword;
    };

    Entered entered() const;
    void addAddresses();
    static QCoro::Task<> load(QPointer<AutoligaSettingsSheet> sheet, SettingsServices services);
    // Stores what was entered; false (with the reason shown) when something is missing.
    static QCoro::Task<bool> store(QPointer<AutoligaSettingsSheet> sheet, SettingsServices services, Entered entered,
                                   bool announce);
    static QCoro::Task<> save(QPointer<AutoligaSettingsSheet> sheet, SettingsServices services, Entered entered);
    static QCoro::Task<> check(QPointer<AutoligaSettingsSheet> sheet, SettingsServices services, Entered entered);
    static QCoro::Task<> remove(QPointer<AutoligaSettingsSheet> sheet, SettingsServices services);

    QLineEdit* m_tradeSoftUser = nullptr;
    QLineEdit* m_tradeSoftPassword = nullptr;
    QLineEdit* m_autoligaLogin = nullptr;
    QLineEdit* m_autoligaPassword = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_check = nullptr;
    QPushButton* m_delete = nullptr;
};
