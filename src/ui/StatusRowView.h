#pragma once

#include "offertable/UsefulResultsStatus.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

// The row above the offer table: how many offers were found and shown, how many are
// hidden and why, the switch between useful and all offers, and the refusal-risk filter
// with its strictness slider.
class StatusRowView : public QWidget {
    Q_OBJECT

public:
    explicit StatusRowView(QWidget* parent = nullptr);

    void showStatus(const UsefulResultsStatus& status, const OfferTableSettings& settings);

    QLabel* summaryLabel() const { return m_summary; }
    QLabel* usefulHiddenLabel() const { return m_usefulHidden; }
    QLabel* rejectHiddenLabel() const { return m_rejectHidden; }
    QPushButton* toggleButton() const { return m_toggle; }
    QCheckBox* rejectFilterCheckBox() const { return m_rejectFilter; }
    QSlider* thresholdSlider() const { return m_threshold; }
    QLabel* allowedRiskLabel() const { return m_allowedRisk; }

Q_SIGNALS:
    void showAllToggled();
    void rejectFilterChanged(bool enabled);
    void rejectThresholdChanged(double threshold);

private:
    QLabel* m_summary;
    QLabel* m_usefulHidden;
    QLabel* m_rejectHidden;
    QPushButton* m_toggle;
    QCheckBox* m_rejectFilter;
    QSlider* m_threshold;
    QLabel* m_allowedRisk;
};
