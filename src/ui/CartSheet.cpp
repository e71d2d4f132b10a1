#include "CartSheet.h"

#include "cart/CartStore.h"
#include "core/Decimal.h"
#include "core/SupplierAppearance.h"
#include "core/UserFacingError.h"
#include "offertable/DeliveryDisplay.h"
#include "offertable/PriceDisplay.h"
#include "SupplierColors.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

namespace Status = CartFreshnessStatus;

// A value that copies itself when clicked, as the table's cells do.
class CopyLabel : public QLabel {
public:
    CopyLabel(const QString& text, std::function<void(const QString&)> onCopy, QWidget* parent)
        : QLabel(text, parent)
        , m_onCopy(std::move(onCopy)) {
        setCursor(Qt::PointingHandCursor);
        setToolTip(QStringLiteral("Нажмите, чтобы скопировать: ") + text);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            m_onCopy(text());
        QLabel::mousePressEvent(event);
    }

private:
    std::function<void(const QString&)> m_onCopy;
};

// The table's form of money: "410,46 руб.".
QString rubles(const Decimal& amount) {
    return PFCurrencyDisplay::price(amount.toFixed(2), u"RUB");
}

Decimal priceOf(const CartItem& item) {
    return Decimal::fromDouble(item.unitPrice).value_or(Decimal());
}

QLabel* label(const QString& text, QWidget* parent, bool bold = false) {
    auto* l = new QLabel(text, parent);
    if (bold) {
        QFont font = l->font();
        font.setBold(true);
        l->setFont(font);
    }
    return l;
}

QToolButton* toolButton(const QString& text, const QString& help, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(help);
    // "−", "+" and a bare icon say nothing to a screen reader.
    b->setAccessibleName(help);
    b->setAutoRaise(true);
    return b;
}

} // namespace

CartSheet::CartSheet(CartStore& cart, CheckFunction check, QWidget* parent)
    : QDialog(parent)
    , m_cart(cart)
    , m_check(std::move(check)) {
    setWindowTitle(QStringLiteral("Корзина"));
    setObjectName(QStringLiteral("cartSheet"));
    // Most of the window: a cart of a whole repair order should not need much scrolling.
    if (parent)
        resize(std::min(1000, parent->width() - 60), std::max(480, parent->height() - 80));
    else
        resize(920, 620);

    auto* layout = new QVBoxLayout(this);
    auto* header = new QHBoxLayout();
    auto* title = label(QStringLiteral("Корзина"), this, true);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    title->setFont(titleFont);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("cartCount"));
    auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    header->addWidget(title);
    header->addWidget(m_count);
    header->addStretch();
    header->addWidget(close);
    layout->addLayout(header);

    m_notice = new QLabel(CartStore::unreadableMessage(), this);
    m_notice->setObjectName(QStringLiteral("cartNotice"));
    m_notice->setWordWrap(true);
    m_notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_notice->setVisible(!m_cart.keptAsideKey().isEmpty());
    layout->addWidget(m_notice);

    m_pages = new QStackedWidget(this);
    auto* empty = new QWidget(m_pages);
    auto* emptyLayout = new QVBoxLayout(empty);
    emptyLayout->addStretch();
    auto* emptyTitle = label(QStringLiteral("Корзина пуста"), empty, true);
    emptyTitle->setAlignment(Qt::AlignCenter);
    auto* emptyHint = new QLabel(QStringLiteral("Добавьте нужные предложения из таблицы проценки."), empty);
    emptyHint->setAlignment(Qt::AlignCenter);
    emptyHint->setForegroundRole(QPalette::PlaceholderText);
    emptyLayout->addWidget(emptyTitle);
    emptyLayout->addWidget(emptyHint);
    emptyLayout->addStretch();
    m_pages->addWidget(empty);

    auto* scroll = new QScrollArea(m_pages);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    m_pages->addWidget(scroll);
    layout->addWidget(m_pages, 1);

    m_copied = new QLabel(this);
    m_copied->setObjectName(QStringLiteral("cartCopied"));
    m_copied->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(m_copied);

    connect(&m_cart, &CartStore::changed, this, &CartSheet::rebuild);
    rebuild();
}

QColor CartSheet::verdictColor(const QString& status, const QPalette& palette) {
    const bool dark = palette.color(QPalette::Window).lightnessF() < 0.5;
    if (status == Status::current)
        return dark ? QColor(129, 199, 132) : QColor(46, 125, 50);
    if (status == Status::changed || status == Status::termsChanged)
        return dark ? QColor(255, 202, 40) : QColor(176, 110, 0);
    if (status == Status::unavailable || status == Status::offerUnavailable)
        return dark ? QColor(239, 154, 154) : QColor(198, 40, 40);
    return palette.color(QPalette::PlaceholderText);
}

void CartSheet::copyValue(const QString& value) {
    QApplication::clipboard()->setText(value);
    m_lastCopied = value;
    m_copied->setText(QStringLiteral("Скопировано: ") + value);
    QTimer::singleShot(1400, this, [this, value] {
        if (m_lastCopied == value)
            m_copied->clear();
    });
}

QLabel* CartSheet::moneyLabel(const Decimal& amount, QWidget* parent) {
    const QString copied = CopiedNumber::withMark(amount.toFixed(2), m_copyMark);
    auto* label = new CopyLabel(
        rubles(amount), [this, copied](const QString&) { copyValue(copied); }, parent);
    label->setToolTip(QStringLiteral("Нажмите, чтобы скопировать: ") + copied);
    return label;
}

void CartSheet::checkSupplier(const QString& supplierID) {
    // One check at a time across the whole sheet.
    if (m_checkingSupplierID)
        return;
    const auto groups = m_cart.groups();
    const auto group = std::find_if(groups.begin(), groups.end(),
                                    [&](const SupplierCartGroup& g) { return g.supplierID == supplierID; });
    if (group == groups.end())
        return;
    m_checkingSupplierID = supplierID;
    m_failures.remove(supplierID);
    m_freshness[supplierID] = {};
    rebuild();
    runCheck(*group);
}

QCoro::Task<> CartSheet::runCheck(SupplierCartGroup group) {
    QPointer<CartSheet> self(this);
    PFCartFreshnessMap verdicts;
    QString failure;
    try {
        auto task = m_check(group);
        verdicts = co_await std::move(task);
    } catch (const UserFacingError& error) {
        failure = QStringLiteral("Не удалось проверить актуальность: ") + error.description();
    }
    // The sheet may have closed meanwhile; then nothing is left to tell.
    if (!self)
        co_return;
    if (failure.isNull()) {
        // Lines removed during the check get no verdict.
        PFCartFreshnessMap& known = m_freshness[group.supplierID];
        for (const CartItem& item : m_cart.items()) {
            if (verdicts.contains(item.id))
                known.insert(item.id, verdicts.value(item.id));
        }
    } else {
        m_failures.insert(group.supplierID, failure);
    }
    m_checkingSupplierID.reset();
    rebuild();
}

void CartSheet::rebuild() {
    m_count->setText(QStringLiteral("%1 шт.").arg(m_cart.totalItemCount()));
    const auto groups = m_cart.groups(QLocale(QLocale::Russian, QLocale::Russia));
    m_pages->setCurrentIndex(groups.isEmpty() ? 0 : 1);
    auto* scroll = static_cast<QScrollArea*>(m_pages->widget(1));
    const int position = scroll->verticalScrollBar() ? scroll->verticalScrollBar()->value() : 0;
    auto* content = new QWidget(scroll);
    auto* layout = new QVBoxLayout(content);
    for (const SupplierCartGroup& group : groups)
        layout->addWidget(makeSection(group));
    layout->addStretch();
    scroll->setWidget(content); // deletes the previous content
    m_sections = content;
    scroll->verticalScrollBar()->setValue(position);
}

QWidget* CartSheet::makeSection(const SupplierCartGroup& group) {
    auto* section = new QFrame(m_sections);
    section->setObjectName(QStringLiteral("section-") + group.supplierID);
    section->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(section);

    auto* header = new QHBoxLayout();
    auto* name = label(group.supplierName, section, true);
    QPalette namePalette = name->palette();
    namePalette.setColor(QPalette::WindowText,
                         supplierQColor(SupplierAppearance::color(group.supplierID), name->palette()));
    name->setPalette(namePalette);
    const bool checkingThis = m_checkingSupplierID == group.supplierID;
    auto* check = new QPushButton(
        checkingThis ? QStringLiteral("Проверяем…") : QStringLiteral("Проверить актуальность"), section);
    check->setObjectName(QStringLiteral("check"));
    check->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    check->setEnabled(!m_checkingSupplierID);
    check->setAutoDefault(false);
    connect(check, &QPushButton::clicked, this, [this, id = group.supplierID] { checkSupplier(id); });
    auto* clear = new QPushButton(QStringLiteral("Очистить ") + group.supplierName, section);
    clear->setObjectName(QStringLiteral("clear"));
    clear->setAutoDefault(false);
    connect(clear, &QPushButton::clicked, this, [this, id = group.supplierID] { m_cart.clearSupplier(id); });
    header->addWidget(name);
    header->addStretch();
    header->addWidget(check);
    header->addWidget(clear);
    layout->addLayout(header);

    if (const QString failure = m_failures.value(group.supplierID); !failure.isEmpty()) {
        auto* text = new QLabel(failure, section);
        text->setObjectName(QStringLiteral("failure"));
        text->setWordWrap(true);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QPalette p = text->palette();
        p.setColor(QPalette::WindowText, verdictColor(Status::offerUnavailable, p));
        text->setPalette(p);
        layout->addWidget(text);
    }

    const PFCartFreshnessMap verdicts = m_freshness.value(group.supplierID);
    Decimal total;
    for (const CartItem& item : group.items) {
        const auto verdict = verdicts.contains(item.id) ? std::optional(verdicts.value(item.id)) : std::nullopt;
        layout->addWidget(makeLine(item, verdict));
        total = total + priceOf(item) * Decimal(item.quantity);
    }

    auto* footer = new QHBoxLayout();
    footer->addStretch();
    footer->addWidget(label(QStringLiteral("Итого"), section, true));
    auto* sum = moneyLabel(total, section);
    sum->setObjectName(QStringLiteral("total"));
    QFont bold = sum->font();
    bold.setBold(true);
    sum->setFont(bold);
    footer->addWidget(sum);
    layout->addLayout(footer);
    return section;
}

QWidget* CartSheet::makeLine(const CartItem& item, const std::optional<PFCartFreshness>& verdict) {
    auto* row = new QFrame(m_sections);
    row->setObjectName(QStringLiteral("line-") + item.id);
    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(4, 6, 4, 6);
    const auto copy = [this](const QString& value) { copyValue(value); };

    auto* what = new QHBoxLayout();
    auto* brand = new CopyLabel(item.brand, copy, row);
    QFont bold = brand->font();
    bold.setBold(true);
    brand->setFont(bold);
    auto* article = new CopyLabel(item.article, copy, row);
    article->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* name = new CopyLabel(item.name, copy, row);
    name->setWordWrap(true);
    what->addWidget(brand);
    what->addWidget(article);
    what->addWidget(name, 1);
    grid->addLayout(what, 0, 0);

    QString terms = QStringLiteral("Доставка: ") + deliveryDaysText(item.deliveryTime, std::nullopt);
    if (item.warehouse && !item.warehouse->isEmpty())
        terms += QStringLiteral("   Склад: ") + *item.warehouse;
    auto* termsLabel = new QLabel(terms, row);
    termsLabel->setForegroundRole(QPalette::PlaceholderText);
    grid->addWidget(termsLabel, 1, 0);

    const Decimal price = priceOf(item);
    auto* prices = new QHBoxLayout();
    auto* unit = moneyLabel(price, row);
    unit->setObjectName(QStringLiteral("price"));
    const Decimal lineTotal = price * Decimal(item.quantity);
    auto* sum = moneyLabel(lineTotal, row);
    sum->setObjectName(QStringLiteral("sum"));
    sum->setFont(bold);
    auto* minus = toolButton(QStringLiteral("−"), QStringLiteral("Уменьшить количество"), row);
    minus->setObjectName(QStringLiteral("decrement"));
    auto* quantity = new QLabel(QStringLiteral("%1").arg(item.quantity), row);
    quantity->setObjectName(QStringLiteral("quantity"));
    quantity->setMinimumWidth(28);
    quantity->setAlignment(Qt::AlignCenter);
    auto* plus = toolButton(QStringLiteral("+"), QStringLiteral("Увеличить количество"), row);
    plus->setObjectName(QStringLiteral("increment"));
    auto* trash = toolButton(QString(), QStringLiteral("Удалить из корзины"), row);
    trash->setObjectName(QStringLiteral("remove"));
    trash->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    trash->setAccessibleName(QStringLiteral("Удалить из корзины: ") + item.brand + u' ' + item.article);
    connect(minus, &QToolButton::clicked, this, [this, id = item.id] { m_cart.decrement(id); });
    connect(plus, &QToolButton::clicked, this, [this, id = item.id] { m_cart.increment(id); });
    connect(trash, &QToolButton::clicked, this, [this, id = item.id] { m_cart.remove(id); });
    prices->addWidget(unit);
    prices->addSpacing(12);
    prices->addWidget(minus);
    prices->addWidget(quantity);
    prices->addWidget(plus);
    prices->addSpacing(12);
    prices->addWidget(sum);
    prices->addWidget(trash);
    grid->addLayout(prices, 0, 1, Qt::AlignRight);

    if (verdict) {
        QString text = verdict->status;
        for (const QString& detail : verdict->details)
            text += QStringLiteral("\n• ") + detail;
        auto* verdictLabel = new QLabel(text, row);
        verdictLabel->setObjectName(QStringLiteral("verdict"));
        verdictLabel->setWordWrap(true);
        verdictLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QPalette p = verdictLabel->palette();
        p.setColor(QPalette::WindowText, verdictColor(verdict->status, p));
        verdictLabel->setPalette(p);
        grid->addWidget(verdictLabel, 2, 0, 1, 2);
    }
    grid->setColumnStretch(0, 1);
    return row;
}
