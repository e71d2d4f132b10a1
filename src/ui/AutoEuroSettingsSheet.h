#pragma once

#include "SupplierSheet.h"

#include <QCoroTask>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;

// The AutoEuro API key: entered, stored, deleted and checked. The field never shows the
// stored key.
class AutoEuroSettingsSheet : public SupplierSheet {
    Q_OBJECT

public:
    AutoEuroSettingsSheet(SettingsServices services, QWidget* parent = nullptr);

    QLineEdit* keyField() const { return m_key; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* checkButton() const { return m_check; }
    QString accountInfo() const;

private:
    static QCoro::Task<> save(QPointer<AutoEuroSettingsSheet> sheet, SettingsServices services, QString key);
    static QCoro::Task<> remove(QPointer<AutoEuroSettingsSheet> sheet, SettingsServices services);
    static QCoro::Task<> check(QPointer<AutoEuroSettingsSheet> sheet, SettingsServices services);

    QLineEdit* m_key = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_check = nullptr;
    QLabel* m_accountInfo = nullptr;
};
