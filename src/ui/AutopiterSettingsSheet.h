#pragma once

#include "SettingsServices.h"

#include <QCoroTask>
#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The Autopiter user id and password: entered, stored, deleted and checked. Opens with the
// stored user id; the password field starts empty.
class AutopiterSettingsSheet : public QDialog {
    Q_OBJECT

public:
    AutopiterSettingsSheet(SettingsServices services, QWidget* parent = nullptr);

    QLineEdit* userIDField() const { return m_userID; }
    QLineEdit* passwordField() const { return m_password; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* checkButton() const { return m_check; }
    QString status() const;
    bool isChecking() const { return m_isChecking; }

Q_SIGNALS:
    // The stored user id has been read into the field (tests wait for it).
    void loaded();

private:
    static QCoro::Task<> load(QPointer<AutopiterSettingsSheet> sheet, SettingsServices services);
    static QCoro::Task<> save(QPointer<AutopiterSettingsSheet> sheet, SettingsServices services, QString userID,
                              QString password);
    static QCoro::Task<> remove(QPointer<AutopiterSettingsSheet> sheet, SettingsServices services);
    static QCoro::Task<> check(QPointer<AutopiterSettingsSheet> sheet, SettingsServices services);

    SettingsServices m_services;
    bool m_isChecking = false;
    QLineEdit* m_userID = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_check = nullptr;
    QProgressBar* m_busy = nullptr;
    QLabel* m_status = nullptr;
};
