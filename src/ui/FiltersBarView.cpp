#include "FiltersBarView.h"

#include "FlowLayout.h"
#include "offertable/UsefulResultsStatus.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include <cmath>

namespace {

constexpr int kSliderWidth = 110;
constexpr int kAllowedRiskWidth = 55;

// Controls that belong together stay on one row when the bar wraps.
QWidget* group(QWidget* parent, std::initializer_list<QWidget*> widgets) {
    auto* box = new QWidget(parent);
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    for (QWidget* widget : widgets) {
        widget->setParent(box);
        layout->addWidget(widget);
    }
    return box;
}

} // namespace

FiltersBarView::FiltersBarView(QWidget* parent)
    : QWidget(parent)
    , m_rejectFilter(new QCheckBox(UsefulResultsStatus::rejectFilterTitle(), this))
    , m_threshold(new QSlider(Qt::Horizontal, this))
    , m_allowedRisk(new QLabel(this))
    , m_inStock(new QCheckBox(UsefulResultsStatus::inStockFilterTitle(), this))
    , m_delivery(new QCheckBox(UsefulResultsStatus::deliveryFilterTitle(), this))
    , m_deliveryDays(new QSpinBox(this)) {
    m_threshold->setRange(0, 100);
    m_threshold->setSingleStep(1);
    m_threshold->setPageStep(5);
    m_threshold->setFixedWidth(kSliderWidth);
    m_threshold->setToolTip(UsefulResultsStatus::thresholdHelp());
    m_allowedRisk->setFixedWidth(kAllowedRiskWidth);
    m_allowedRisk->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_allowedRisk->setToolTip(UsefulResultsStatus::allowedRiskHelp());

    m_inStock->setToolTip(QStringLiteral("Скрыть предложения с нулевым остатком; где остаток не указан, они остаются"));
    m_delivery->setToolTip(QStringLiteral("Скрыть предложения с доставкой дольше; где срок не указан, они остаются"));
    m_deliveryDays->setRange(0, kMaxDeliveryFilterDays);
    m_deliveryDays->setSuffix(QStringLiteral(" дн."));
    m_deliveryDays->setAccessibleName(QStringLiteral("Доставка до, дней"));

    auto* layout = new FlowLayout(this, 18, 4);
    layout->addWidget(group(this, {m_rejectFilter, m_threshold, m_allowedRisk}));
    layout->addWidget(m_inStock);
    layout->addWidget(group(this, {m_delivery, m_deliveryDays}));

    connect(m_rejectFilter, &QCheckBox::toggled, this, &FiltersBarView::rejectFilterChanged);
    connect(m_threshold, &QSlider::valueChanged, this,
            [this](int value) { Q_EMIT rejectThresholdChanged(static_cast<double>(value)); });
    connect(m_inStock, &QCheckBox::toggled, this, &FiltersBarView::inStockFilterChanged);
    connect(m_delivery, &QCheckBox::toggled, this, &FiltersBarView::deliveryFilterChanged);
    connect(m_deliveryDays, &QSpinBox::valueChanged, this, &FiltersBarView::deliveryDaysChanged);
}

void FiltersBarView::showSettings(const OfferTableSettings& settings, const std::optional<QString>& allowedRisk) {
    const QSignalBlocker blockRisk(m_rejectFilter);
    const QSignalBlocker blockStock(m_inStock);
    const QSignalBlocker blockDelivery(m_delivery);
    m_rejectFilter->setChecked(settings.rejectFilterEnabled);
    m_inStock->setChecked(settings.inStockOnly);
    m_delivery->setChecked(settings.deliveryFilterEnabled);
    // The slider moves in whole points; a stored fraction shows at its nearest point.
    if (!m_threshold->isSliderDown()) {
        const QSignalBlocker blockSlider(m_threshold);
        m_threshold->setValue(static_cast<int>(std::lround(effectiveRejectThreshold(settings.rejectThreshold))));
    }
    m_threshold->setVisible(settings.rejectFilterEnabled);
    m_allowedRisk->setText(allowedRisk.value_or(QString()));
    m_allowedRisk->setVisible(allowedRisk.has_value());
    if (!m_deliveryDays->hasFocus()) {
        const QSignalBlocker blockDays(m_deliveryDays);
        m_deliveryDays->setValue(settings.deliveryFilterDays);
    }
}
