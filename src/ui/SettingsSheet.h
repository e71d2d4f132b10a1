#pragma once

#include "SettingsServices.h"

#include <QDialog>
#include <QHash>

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// The settings sheet: the markup, how numbers are copied, and a row per supplier (the three built
// in, then those the buyer added) with its switch and the sheet of its credentials; "Добавить
// поставщика…" adds one. Every change is written at once.
class SettingsSheet : public QDialog {
    Q_OBJECT

public:
    SettingsSheet(SettingsServices services, QWidget* parent = nullptr);

    QLineEdit* markupField() const { return m_markup; }
    QCheckBox* copyWithPointBox() const { return m_copyWithPoint; }
    QCheckBox* supplierSwitch(const QString& supplierID) const;
    QPushButton* supplierRow(const QString& supplierID) const;
    QPushButton* addSupplierButton() const { return m_addSupplier; }
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
    // An empty id opens a new supplier.
    void openSubSheet(const QString& supplierID);
    void showHistoryCount();
    // The rows anew when suppliers came or went or were renamed; else just the switches.
    void showSuppliers();
    void showSwitches();

    SettingsServices m_services;
    QLineEdit* m_markup = nullptr;
    QCheckBox* m_copyWithPoint = nullptr;
    QWidget* m_supplierRows = nullptr;
    // What the rows show: ids and names, in order.
    QStringList m_shown;
    QHash<QString, QCheckBox*> m_switches;
    QHash<QString, QPushButton*> m_rows;
    QPushButton* m_addSupplier = nullptr;
    QDialog* m_subSheet = nullptr;
    QLabel* m_historyCount = nullptr;
    QPushButton* m_clearHistory = nullptr;
};
