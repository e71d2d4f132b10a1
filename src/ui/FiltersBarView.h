#pragma once

#include "offertable/OffersSnapshot.h"

#include <QWidget>

#include <optional>

class QCheckBox;
class QLabel;
class QSlider;
class QSpinBox;

// The filters above the offer table, each kept in the settings: the refusal-risk filter with its
// strictness slider, "Только в наличии" and "Доставка до N дн.". In a narrow window they wrap.
class FiltersBarView : public QWidget {
    Q_OBJECT

public:
    explicit FiltersBarView(QWidget* parent = nullptr);

    // `allowedRisk`: "≤ 70%" while the risk filter is on.
    void showSettings(const OfferTableSettings& settings, const std::optional<QString>& allowedRisk);

    QCheckBox* rejectFilterCheckBox() const { return m_rejectFilter; }
    QSlider* thresholdSlider() const { return m_threshold; }
    QLabel* allowedRiskLabel() const { return m_allowedRisk; }
    QCheckBox* inStockCheckBox() const { return m_inStock; }
    QCheckBox* deliveryCheckBox() const { return m_delivery; }
    QSpinBox* deliveryDaysBox() const { return m_deliveryDays; }

Q_SIGNALS:
    void rejectFilterChanged(bool enabled);
    void rejectThresholdChanged(double threshold);
    void inStockFilterChanged(bool enabled);
    void deliveryFilterChanged(bool enabled);
    void deliveryDaysChanged(int days);

private:
    QCheckBox* m_rejectFilter;
    QSlider* m_threshold;
    QLabel* m_allowedRisk;
    QCheckBox* m_inStock;
    QCheckBox* m_delivery;
    QSpinBox* m_deliveryDays;
};
