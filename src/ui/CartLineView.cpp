#include "CartLineView.h"

#include "export/CartExport.h"
#include "offertable/CopiedNumber.h"
#include "offertable/DeliveryDisplay.h"
#include "offertable/PriceDisplay.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>

#include <limits>

namespace {

namespace Status = CartFreshnessStatus;

QColor verdictColor(const QString& status, const QPalette& palette) {
    const bool dark = palette.color(QPalette::Window).lightnessF() < 0.5;
    if (status == Status::current)
        return dark ? QColor(129, 199, 132) : QColor(46, 125, 50);
    if (CartVerdicts::isChanged(status))
        return dark ? QColor(255, 202, 40) : QColor(176, 110, 0);
    if (CartVerdicts::isUnavailable(status))
        return dark ? QColor(239, 154, 154) : QColor(198, 40, 40);
    return palette.color(QPalette::PlaceholderText);
}

QToolButton* toolButton(const QString& text, const QString& help, const QString& name, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(help);
    b->setAccessibleName(help);
    b->setObjectName(name);
    b->setAutoRaise(true);
    return b;
}

QString checkedText(const QDateTime& at) {
    const QString time = at.toString(QStringLiteral("HH:mm"));
    return at.date() == QDate::currentDate()
               ? QStringLiteral("проверено ") + time
               : QStringLiteral("проверено ") + at.toString(QStringLiteral("dd.MM")) + u' ' + time;
}

// Spin boxes count in int; a cart line's quantity is a 64-bit number that no buyer types.
constexpr int kMostTyped = std::numeric_limits<int>::max();

} // namespace

CopyLabel::CopyLabel(const QString& text, std::function<void()> onCopy, QWidget* parent)
    : QLabel(text, parent)
    , m_onCopy(std::move(onCopy)) {
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Нажмите, чтобы скопировать: ") + text);
}

void CopyLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_onCopy();
    QLabel::mousePressEvent(event);
}

QString CartLineView::money(const Decimal& amount) {
    return PFCurrencyDisplay::price(amount.toFixed(2), u"RUB");
}

CopyLabel* CartLineView::moneyLabel(const Decimal& amount, QChar copyMark, std::function<void(const QString&)> copy,
                                    QWidget* parent) {
    const QString copied = CopiedNumber::withMark(amount.toFixed(2), copyMark);
    auto* label = new CopyLabel(
        money(amount), [copy = std::move(copy), copied] { copy(copied); }, parent);
    label->setToolTip(QStringLiteral("Нажмите, чтобы скопировать: ") + copied);
    return label;
}

bool CartLineView::isUnavailable(const std::optional<CartVerdicts::Verdict>& verdict) {
    return verdict && CartVerdicts::isUnavailable(verdict->freshness.status);
}

CartLineView::CartLineView(const CartItem& item, const std::optional<CartVerdicts::Verdict>& verdict, QChar copyMark,
                           QWidget* parent)
    : QFrame(parent) {
    setObjectName(QStringLiteral("line-") + item.id);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 6, 4, 6);
    const auto copier = [this](const QString& value) { return [this, value] { Q_EMIT copyRequested(value); }; };

    auto* what = new QHBoxLayout();
    auto* brand = new CopyLabel(item.brand, copier(item.brand), this);
    QFont bold = brand->font();
    bold.setBold(true);
    brand->setFont(bold);
    auto* article = new CopyLabel(item.article, copier(item.article), this);
    article->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* name = new CopyLabel(item.name, copier(item.name), this);
    name->setWordWrap(true);
    what->addWidget(brand);
    what->addWidget(article);
    // A list put an analogue here in place of the part it asked for: the buyer sees which.
    if (item.isAnalogue()) {
        auto* mark = new QLabel(item.analogueMark(), this);
        mark->setObjectName(QStringLiteral("analogue"));
        mark->setStyleSheet(QStringLiteral("color: #c86e00;"));
        what->addWidget(mark);
    }
    what->addWidget(name, 1);
    grid->addLayout(what, 0, 0);

    QString terms = QStringLiteral("Доставка: ") + deliveryDaysText(item.deliveryTime, std::nullopt);
    if (item.warehouse && !item.warehouse->isEmpty())
        terms += QStringLiteral("   Склад: ") + *item.warehouse;
    if (item.availableQuantity)
        terms += QStringLiteral("   В наличии: %1 шт.").arg(*item.availableQuantity);
    if (verdict)
        terms += QStringLiteral("   ") + checkedText(verdict->checkedAt);
    auto* termsLabel = new QLabel(terms, this);
    termsLabel->setObjectName(QStringLiteral("terms"));
    termsLabel->setForegroundRole(QPalette::PlaceholderText);
    grid->addWidget(termsLabel, 1, 0);

    const Decimal price = CartExport::priceOf(item);
    const Decimal lineTotal = price * Decimal(item.quantity);
    auto* prices = new QHBoxLayout();
    const auto copy = [this](const QString& value) { Q_EMIT copyRequested(value); };
    auto* unit = moneyLabel(price, copyMark, copy, this);
    unit->setObjectName(QStringLiteral("price"));
    auto* sum = moneyLabel(lineTotal, copyMark, copy, this);
    sum->setObjectName(QStringLiteral("sum"));
    QFont sumFont = bold;
    // Out of the total: the supplier has none of it any more.
    sumFont.setStrikeOut(isUnavailable(verdict));
    sum->setFont(sumFont);

    const std::int64_t stock = item.availableQuantity.value_or(0);
    const bool atStock = item.availableQuantity && item.quantity >= std::max<std::int64_t>(stock, 1);
    auto* minus =
        toolButton(QStringLiteral("−"), QStringLiteral("Уменьшить количество"), QStringLiteral("decrement"), this);
    minus->setEnabled(item.quantity > 1);
    m_quantity = new QSpinBox(this);
    m_quantity->setObjectName(QStringLiteral("quantity"));
    m_quantity->setAccessibleName(QStringLiteral("Количество"));
    m_quantity->setButtonSymbols(QAbstractSpinBox::NoButtons);
    m_quantity->setRange(1, kMostTyped);
    m_quantity->setValue(static_cast<int>(std::min<std::int64_t>(item.quantity, kMostTyped)));
    m_quantity->setAlignment(Qt::AlignCenter);
    m_quantity->setMinimumWidth(56);
    m_quantity->setKeyboardTracking(false);
    m_quantity->setToolTip(QStringLiteral("Введите количество и нажмите Enter"));
    auto* plus = toolButton(QStringLiteral("+"),
                            atStock ? QStringLiteral("Больше нет у поставщика: в наличии %1 шт.").arg(stock)
                                    : QStringLiteral("Увеличить количество"),
                            QStringLiteral("increment"), this);
    plus->setEnabled(!atStock);
    auto* trash = toolButton(QString(), QStringLiteral("Удалить из корзины"), QStringLiteral("remove"), this);
    trash->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    // A bare icon says nothing to a screen reader.
    trash->setAccessibleName(QStringLiteral("Удалить из корзины: ") + item.brand + u' ' + item.article);
    const QString id = item.id;
    connect(minus, &QToolButton::clicked, this, [this, id] { Q_EMIT stepRequested(id, -1); });
    connect(plus, &QToolButton::clicked, this, [this, id] { Q_EMIT stepRequested(id, 1); });
    connect(trash, &QToolButton::clicked, this, [this, id] { Q_EMIT removeRequested(id); });
    // Enter or leaving the field applies the typed quantity.
    connect(m_quantity, &QSpinBox::editingFinished, this, [this, id, quantity = item.quantity] {
        if (m_quantity->value() != quantity)
            Q_EMIT quantityEntered(id, m_quantity->value());
    });
    prices->addWidget(unit);
    prices->addSpacing(12);
    prices->addWidget(minus);
    prices->addWidget(m_quantity);
    prices->addWidget(plus);
    prices->addSpacing(12);
    prices->addWidget(sum);
    prices->addWidget(trash);
    grid->addLayout(prices, 0, 1, Qt::AlignRight);

    if (verdict) {
        auto* verdictRow = new QHBoxLayout();
        QString text = verdict->freshness.status;
        for (const QString& detail : verdict->freshness.details)
            text += QStringLiteral("\n• ") + detail;
        auto* verdictLabel = new QLabel(text, this);
        verdictLabel->setObjectName(QStringLiteral("verdict"));
        verdictLabel->setWordWrap(true);
        verdictLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QPalette p = verdictLabel->palette();
        p.setColor(QPalette::WindowText, verdictColor(verdict->freshness.status, p));
        verdictLabel->setPalette(p);
        verdictRow->addWidget(verdictLabel, 1);
        if (CartVerdicts::isChanged(verdict->freshness.status) && verdict->freshness.fresh) {
            auto* accept = new QPushButton(QStringLiteral("Принять новые условия"), this);
            accept->setObjectName(QStringLiteral("accept"));
            accept->setToolTip(QStringLiteral("Записать в позицию цену, срок и остаток, которые назвал поставщик"));
            accept->setAutoDefault(false);
            connect(accept, &QPushButton::clicked, this, [this, id] { Q_EMIT acceptRequested(id); });
            verdictRow->addWidget(accept, 0, Qt::AlignTop);
        }
        grid->addLayout(verdictRow, 2, 0, 1, 2);
    }
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("note"));
    m_note->setVisible(false);
    QPalette notePalette = m_note->palette();
    notePalette.setColor(QPalette::WindowText, verdictColor(Status::changed, notePalette));
    m_note->setPalette(notePalette);
    grid->addWidget(m_note, 3, 0, 1, 2);
    grid->setColumnStretch(0, 1);
}

void CartLineView::showNote(const QString& note) {
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
}

CartRemovedLineView::CartRemovedLineView(const QString& text, int height, QWidget* parent)
    : QFrame(parent) {
    setObjectName(QStringLiteral("removed"));
    setFixedHeight(std::max(height, 24));
    if (text.isEmpty())
        return;
    auto* layout = new QHBoxLayout(this);
    auto* label =
        new QLabel(QStringLiteral("Удалено: %1 — <a href=\"undo\">Вернуть</a>").arg(text.toHtmlEscaped()), this);
    label->setObjectName(QStringLiteral("undo"));
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    label->setForegroundRole(QPalette::PlaceholderText);
    connect(label, &QLabel::linkActivated, this, &CartRemovedLineView::undoRequested);
    layout->addWidget(label);
    layout->addStretch();
}
