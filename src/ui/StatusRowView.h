#pragma once

#include "offertable/UsefulResultsStatus.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

// The row above the offer table: how many offers were found and shown, how many are
// hidden and why, the switch between useful and all offers, and the refusal-risk filter
// with its strictness slider; and the markup the prices carry, when there is one.
class StatusRowView : public QWidget {
    Q_OBJECT

public:
    explicit StatusRowView(QWidget* parent = nullptr);

    void showStatus(const UsefulResultsStatus& status, const OfferTableSettings& settings);
    // "Наценка N %" while the markup is above 0; hidden otherwise.
    void showMarkup(double markupPercent);
    static QString markupText(double markupPercent);

    QLabel* summaryLabel() const { return m_summary; }
    QLabel* usefulHiddenLabel() const { return m_usefulHidden; }
    QLabel* rejectHiddenLabel() const { return m_rejectHidden; }
    QPushButton* toggleButton() const { return m_toggle; }
    QCheckBox* rejectFilterCheckBox() const { return m_rejectFilter; }
    QSlider* thresholdSlider() const { return m_threshold; }
    QLabel* allowedRiskLabel() const { return m_allowedRisk; }
    QPushButton* markupMark() const { return m_markup; }

Q_SIGNALS:
    void showAllToggled();
    void rejectFilterChanged(bool enabled);
    void rejectThresholdChanged(double threshold);
    void markupClicked();

private:
    QLabel* m_summary;
    QLabel* m_usefulHidden;
    QLabel* m_rejectHidden;
    QPushButton* m_toggle;
    QCheckBox* m_rejectFilter;
    QSlider* m_threshold;
    QLabel* m_allowedRisk;
    QPushButton* m_markup;
};
