#include "StatusRowView.h"

#include "FlowLayout.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>

namespace {

QLabel* secondaryLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont callout = label->font();
    callout.setPointSizeF(std::max(8.0, callout.pointSizeF() - 1.0));
    label->setFont(callout);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

void showOptional(QLabel* label, const std::optional<QString>& text) {
    label->setText(text.value_or(QString()));
    label->setVisible(text.has_value());
}

} // namespace

StatusRowView::StatusRowView(QWidget* parent)
    : QWidget(parent)
    , m_summary(secondaryLabel(this))
    , m_usefulHidden(secondaryLabel(this))
    , m_rejectHidden(secondaryLabel(this))
    , m_stockHidden(secondaryLabel(this))
    , m_deliveryHidden(secondaryLabel(this))
    , m_toggle(new QPushButton(this))
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

    // Pushes the markup to the right end of its row.
    auto* spring = new QWidget(this);
    spring->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    spring->setFixedHeight(1);

    auto* layout = new FlowLayout(this, 6, 2);
    for (QWidget* w : std::initializer_list<QWidget*>{m_summary, m_usefulHidden, m_rejectHidden, m_stockHidden,
                                                      m_deliveryHidden, m_toggle, spring, m_markup})
        layout->addWidget(w);

    connect(m_toggle, &QPushButton::clicked, this, &StatusRowView::showAllToggled);
    connect(m_markup, &QPushButton::clicked, this, &StatusRowView::markupClicked);
}

void StatusRowView::showStatus(const UsefulResultsStatus& status) {
    m_summary->setText(status.summary);
    showOptional(m_usefulHidden, status.usefulHidden);
    showOptional(m_rejectHidden, status.rejectHidden);
    showOptional(m_stockHidden, status.stockHidden);
    showOptional(m_deliveryHidden, status.deliveryHidden);
    m_toggle->setText(status.toggleTitle.value_or(QString()));
    m_toggle->setVisible(status.toggleTitle.has_value());
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
