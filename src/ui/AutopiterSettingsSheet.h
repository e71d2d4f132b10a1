#pragma once

#include "SupplierSheet.h"

#include <QCoroTask>
#include <QPointer>

class QLineEdit;
class QPushButton;

// The Autopiter user id and password: entered, stored, deleted and checked. Opens with the
// stored user id; the password field starts empty.
class AutopiterSettingsSheet : public SupplierSheet {
    Q_OBJECT

public:
    AutopiterSettingsSheet(SettingsServices services, QWidget* parent = nullptr);

    QLineEdit* userIDField() const { return m_userID; }
    QLineEdit* passwordField() const { return m_password; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* checkButton() const { return m_check; }

Q_SIGNALS:
    // The stored user id has been read into the field (tests wait for it).
    void loaded();

private:
    static QCoro::Task<> load(QPointer<AutopiterSettingsSheet> sheet, SettingsServices services);
    static QCoro::Task<> save(QPointer<AutopiterSettingsSheet> sheet, SettingsServices services, QString userID,
                              QString password);
    static QCoro::Task<> remove(QPointer<AutopiterSettingsSheet> sheet, SettingsServices services);
    static QCoro::Task<> check(QPointer<AutopiterSettingsSheet> sheet, SettingsServices services);

    QLineEdit* m_userID = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_check = nullptr;
};
