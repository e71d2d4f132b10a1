#pragma once

#include "SettingsServices.h"

#include <QDialog>

class QLabel;
class QHBoxLayout;
class QLayout;
class QProgressBar;
class QPushButton;
class QVBoxLayout;
class QWidget;
class ServiceAddressBlock;

// What every supplier's settings sheet is made of, top to bottom: the title with "Закрыть", the
// notes, the supplier's own fields, a row of buttons with the busy bar of the connection check,
// the status, further information, and the folded "Адрес сервиса" block. Each sheet fills in its
// parts; the skeleton keeps the order and the check's state.
class SupplierSheet : public QDialog {
    Q_OBJECT

public:
    QString status() const;
    // 1 success, 0 failure, -1 a plain message.
    int statusIsSuccess() const { return m_statusIsSuccess; }
    bool isChecking() const { return m_isChecking; }
    ServiceAddressBlock* addressBlock() const { return m_addressBlock; }

protected:
    SupplierSheet(SettingsServices services, const QString& title, QWidget* parent);
    void showEvent(QShowEvent* event) override;
    // The heading and the window title.
    void setTitle(const QString& title);

    const SettingsServices& services() const { return m_services; }
    void addNote(const QString& text);
    void addHowToConnect(const QString& steps);
    // The supplier's own fields, in the order added.
    void addContent(QWidget* widget);
    void addContent(QLayout* layout);
    QPushButton* addButton(const QString& text);
    // The button of the connection check: disabled, with the busy bar, while a check runs.
    QPushButton* addCheckButton(const QString& text);
    // Selectable text under the status.
    QLabel* addInfo(const QString& objectName);
    void setStatus(const QString& text, int success = -1);

    // Starts a check: false when one runs already. Shows `progress` as the status.
    bool beginCheck(const QString& progress);
    void endCheck(const QString& status, bool ok);

private:
    SettingsServices m_services;
    QLabel* m_title = nullptr;
    QVBoxLayout* m_content = nullptr;
    QHBoxLayout* m_buttons = nullptr;
    QVBoxLayout* m_info = nullptr;
    QPushButton* m_check = nullptr;
    QProgressBar* m_busy = nullptr;
    QLabel* m_status = nullptr;
    ServiceAddressBlock* m_addressBlock = nullptr;
    int m_statusIsSuccess = -1;
    bool m_isChecking = false;
    bool m_shown = false;
};
