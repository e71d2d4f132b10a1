#pragma once

#include "offertable/UsefulResultsStatus.h"

#include <QWidget>

class QLabel;
class QPushButton;

// The row above the offer table: how many offers were found and shown, how many are hidden and
// why (less useful, the risk, stock and delivery filters), the switch between useful and all
// offers, and the markup the prices carry, when there is one. In a narrow window it wraps.
class StatusRowView : public QWidget {
    Q_OBJECT

public:
    explicit StatusRowView(QWidget* parent = nullptr);

    void showStatus(const UsefulResultsStatus& status);
    // "Наценка N %" while the markup is above 0; hidden otherwise.
    void showMarkup(double markupPercent);
    static QString markupText(double markupPercent);

    QLabel* summaryLabel() const { return m_summary; }
    QLabel* usefulHiddenLabel() const { return m_usefulHidden; }
    QLabel* rejectHiddenLabel() const { return m_rejectHidden; }
    QLabel* stockHiddenLabel() const { return m_stockHidden; }
    QLabel* deliveryHiddenLabel() const { return m_deliveryHidden; }
    QPushButton* toggleButton() const { return m_toggle; }
    QPushButton* markupMark() const { return m_markup; }

Q_SIGNALS:
    void showAllToggled();
    void markupClicked();

private:
    QLabel* m_summary;
    QLabel* m_usefulHidden;
    QLabel* m_rejectHidden;
    QLabel* m_stockHidden;
    QLabel* m_deliveryHidden;
    QPushButton* m_toggle;
    QPushButton* m_markup;
};
