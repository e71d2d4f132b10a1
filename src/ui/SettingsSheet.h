#pragma once

#include "SettingsServices.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The settings sheet: the markup, how numbers are copied, the three supplier switches, and a
// row per supplier that opens its credentials sheet. Every change is written at once.
class SettingsSheet : public QDialog {
    Q_OBJECT

public:
    SettingsSheet(SettingsServices services, QWidget* parent = nullptr);

    QLineEdit* markupField() const { return m_markup; }
    QCheckBox* copyWithPointBox() const { return m_copyWithPoint; }
    QCheckBox* supplierSwitch(const QString& supplierID) const;
    QPushButton* supplierRow(const QString& supplierID) const;
    QPushButton* clearHistoryButton() const { return m_clearHistory; }
    QLabel* historyLabel() const { return m_historyCount; }
    // The sub-sheet a row opened last (tests).
    QDialog* openedSubSheet() const { return m_subSheet; }

    // "12,5" in the current locale, with no more fraction digits than needed (at most two).
    static QString markupText(double percent, const QLocale& locale);

Q_SIGNALS:
    // The stored markup changed: the table shows new prices.
    void markupChanged(double percent);

private:
    void openSubSheet(const QString& supplierID);
    void showHistoryCount();

    SettingsServices m_services;
    QLineEdit* m_markup = nullptr;
    QCheckBox* m_copyWithPoint = nullptr;
    QCheckBox* m_switches[3] = {};
    QPushButton* m_rows[3] = {};
    QDialog* m_subSheet = nullptr;
    QLabel* m_historyCount = nullptr;
    QPushButton* m_clearHistory = nullptr;
};
