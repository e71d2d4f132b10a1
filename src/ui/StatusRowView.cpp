#include "StatusRowView.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include <cmath>

namespace {

constexpr int kSliderWidth = 110;
constexpr int kAllowedRiskWidth = 55;
constexpr int kDividerHeight = 18;

QLabel* secondaryLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont callout = label->font();
    callout.setPointSizeF(std::max(8.0, callout.pointSizeF() - 1.0));
    label->setFont(callout);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

StatusRowView::StatusRowView(QWidget* parent)
    : QWidget(parent)
    , m_summary(secondaryLabel(this))
    , m_usefulHidden(secondaryLabel(this))
    , m_rejectHidden(secondaryLabel(this))
    , m_toggle(new QPushButton(this))
    , m_rejectFilter(new QCheckBox(UsefulResultsStatus::rejectFilterTitle(), this))
    , m_threshold(new QSlider(Qt::Horizontal, this))
    , m_allowedRisk(new QLabel(this))
    , m_markup(new QPushButton(this)) {
    // A link-style button: text only, in the link colour, with a pointing hand.
    m_toggle->setFlat(true);
    m_toggle->setCursor(Qt::PointingHandCursor);
    m_toggle->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 0 4px; color: palette(link); }"
                                           "QPushButton:hover { text-decoration: underline; }"
                                           "QPushButton:focus { border: 1px solid palette(highlight); "
                                           "border-radius: 3px; }"));

    // A small pill: the prices are not the suppliers' own while it shows.
    m_markup->setFlat(true);
    m_markup->setStyleSheet(QStringLiteral("QPushButton { border: none; border-radius: 8px; padding: 1px 8px; "
                                           "background: rgba(230, 150, 0, 45); }"
                                           "QPushButton:focus { border: 1px solid palette(highlight); }"));
    m_markup->hide();

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);
    divider->setFixedHeight(kDividerHeight);

    m_threshold->setRange(0, 100);
    m_threshold->setSingleStep(1);
    m_threshold->setPageStep(5);
    m_threshold->setFixedWidth(kSliderWidth);
    m_threshold->setToolTip(UsefulResultsStatus::thresholdHelp());

    m_allowedRisk->setFixedWidth(kAllowedRiskWidth);
    m_allowedRisk->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_allowedRisk->setToolTip(UsefulResultsStatus::allowedRiskHelp());

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(m_summary);
    layout->addWidget(m_usefulHidden);
    layout->addWidget(m_rejectHidden);
    layout->addWidget(m_toggle);
    layout->addStretch(1);
    layout->addWidget(m_markup);
    layout->addWidget(divider);
    layout->addSpacing(6);
    layout->addWidget(m_rejectFilter);
    layout->addWidget(m_threshold);
    layout->addWidget(m_allowedRisk);

    connect(m_toggle, &QPushButton::clicked, this, &StatusRowView::showAllToggled);
    connect(m_markup, &QPushButton::clicked, this, &StatusRowView::markupClicked);
    connect(m_rejectFilter, &QCheckBox::toggled, this, &StatusRowView::rejectFilterChanged);
    connect(m_threshold, &QSlider::valueChanged, this,
            [this](int value) { Q_EMIT rejectThresholdChanged(static_cast<double>(value)); });
}

void StatusRowView::showStatus(const UsefulResultsStatus& status, const OfferTableSettings& settings) {
    m_summary->setText(status.summary);
    m_usefulHidden->setText(status.usefulHidden.value_or(QString()));
    m_usefulHidden->setVisible(status.usefulHidden.has_value());
    m_rejectHidden->setText(status.rejectHidden.value_or(QString()));
    m_rejectHidden->setVisible(status.rejectHidden.has_value());
    m_toggle->setText(status.toggleTitle.value_or(QString()));
    m_toggle->setVisible(status.toggleTitle.has_value());

    {
        const QSignalBlocker blockCheck(m_rejectFilter);
        m_rejectFilter->setChecked(settings.rejectFilterEnabled);
    }
    // The slider moves in whole points; a stored fraction shows at its nearest point.
    if (!m_threshold->isSliderDown()) {
        const QSignalBlocker blockSlider(m_threshold);
        m_threshold->setValue(static_cast<int>(std::lround(effectiveRejectThreshold(settings.rejectThreshold))));
    }
    m_threshold->setVisible(settings.rejectFilterEnabled);
    m_allowedRisk->setText(status.allowedRisk.value_or(QString()));
    m_allowedRisk->setVisible(status.allowedRisk.has_value());
}

QString StatusRowView::markupText(double markupPercent) {
    QLocale russian(QLocale::Russian, QLocale::Russia);
    russian.setNumberOptions(QLocale::OmitGroupSeparator);
    QString number = russian.toString(markupPercent, 'f', 2);
    // 10 rather than 10,00; 12,5 rather than 12,50.
    while (number.endsWith(u'0'))
        number.chop(1);
    if (number.endsWith(russian.decimalPoint()))
        number.chop(russian.decimalPoint().size());
    return QStringLiteral("Наценка ") + number + QStringLiteral(" %");
}

void StatusRowView::showMarkup(double markupPercent) {
    const bool shown = markupPercent > 0;
    m_markup->setVisible(shown);
    if (!shown)
        return;
    m_markup->setText(markupText(markupPercent));
    m_markup->setToolTip(QStringLiteral("Цены в таблице — с наценкой, округлённые вверх до 50 руб.; "
                                        "наведите на цену, чтобы увидеть закупочную"));
}
