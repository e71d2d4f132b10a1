#pragma once

#include "SettingsServices.h"

#include <QCoroTask>
#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The AutoEuro API key: entered, stored, deleted and checked. The field never shows the
// stored key.
class AutoEuroSettingsSheet : public QDialog {
    Q_OBJECT

public:
    AutoEuroSettingsSheet(SettingsServices services, QWidget* parent = nullptr);

    QLineEdit* keyField() const { return m_key; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* checkButton() const { return m_check; }
    QString status() const;
    QString accountInfo() const;
    bool isChecking() const { return m_isChecking; }

private:
    static QCoro::Task<> save(QPointer<AutoEuroSettingsSheet> sheet, SettingsServices services, QString key);
    static QCoro::Task<> remove(QPointer<AutoEuroSettingsSheet> sheet, SettingsServices services);
    static QCoro::Task<> check(QPointer<AutoEuroSettingsSheet> sheet, SettingsServices services);
    void setStatus(const QString& text);

    SettingsServices m_services;
    bool m_isChecking = false;
    QLineEdit* m_key = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_check = nullptr;
    QProgressBar* m_busy = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_accountInfo = nullptr;
};
