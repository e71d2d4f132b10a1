#include "CartSheet.h"

#include "cart/CartStore.h"
#include "cart/CartVerdicts.h"
#include "CartLineView.h"
#include "export/CartExport.h"
#include "ExportDialog.h"
#include "SupplierColors.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QLabel* label(const QString& text, QWidget* parent, bool bold = false) {
    auto* l = new QLabel(text, parent);
    if (bold) {
        QFont font = l->font();
        font.setBold(true);
        l->setFont(font);
    }
    return l;
}

QPushButton* button(const QString& text, const QString& name, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QString lineText(const CartItem& item) {
    return item.brand + u' ' + item.article;
}

} // namespace

CartSheet::CartSheet(CartStore& cart, CartVerdicts& verdicts, QWidget* parent)
    : QDialog(parent)
    , m_cart(cart)
    , m_verdicts(verdicts) {
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
    m_total = label(QString(), this, true);
    m_total->setObjectName(QStringLiteral("cartTotal"));
    auto* exportButton = button(QStringLiteral("Экспорт…"), QStringLiteral("export"), this);
    exportButton->setToolTip(QStringLiteral("Сохранить всю корзину в XLSX или CSV"));
    connect(exportButton, &QPushButton::clicked, this, &CartSheet::exportCart);
    auto* close = button(QStringLiteral("Закрыть"), QStringLiteral("close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    header->addWidget(title);
    header->addWidget(m_count);
    header->addStretch();
    header->addWidget(m_total);
    header->addSpacing(12);
    header->addWidget(exportButton);
    header->addWidget(close);
    layout->addLayout(header);

    m_notice = new QLabel(CartStore::unreadableMessage(), this);
    m_notice->setObjectName(QStringLiteral("cartNotice"));
    m_notice->setWordWrap(true);
    m_notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
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
    scroll->viewport()->installEventFilter(this);
    m_pages->addWidget(scroll);
    layout->addWidget(m_pages, 1);

    m_copied = new QLabel(this);
    m_copied->setObjectName(QStringLiteral("cartCopied"));
    m_copied->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(m_copied);

    connect(&m_cart, &CartStore::changed, this, &CartSheet::rebuild);
    connect(&m_verdicts, &CartVerdicts::changed, this, &CartSheet::rebuild);
    rebuild();
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

void CartSheet::checkSupplier(const QString& supplierID) {
    m_verdicts.check(supplierID);
}

bool CartSheet::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter) {
        m_pointerOverLines = true;
    } else if (event->type() == QEvent::Leave) {
        m_pointerOverLines = false;
        dropExpiredRemovals();
    }
    return QDialog::eventFilter(watched, event);
}

void CartSheet::hideEvent(QHideEvent* event) {
    // What was removed stays removed once the sheet is gone.
    m_removals.clear();
    QDialog::hideEvent(event);
}

void CartSheet::remove(const QList<CartItem>& lines, const QString& text) {
    Removal removal{m_nextSerial++, {}, text, false};
    for (const CartItem& line : lines) {
        const auto& items = m_cart.items();
        const auto at = std::find_if(items.begin(), items.end(), [&](const CartItem& i) { return i.id == line.id; });
        if (at == items.end())
            continue;
        removal.lines.append({at - items.begin(), *at});
        if (auto* row = m_sections ? m_sections->findChild<QWidget*>(QStringLiteral("line-") + line.id) : nullptr)
            m_rowHeights.insert(line.id, row->height());
    }
    if (removal.lines.isEmpty())
        return;
    m_removals.append(removal);
    for (const auto& [index, line] : removal.lines) {
        m_cart.remove(line.id);
        Q_UNUSED(index);
    }
    if (!m_cart.lastChangeSaved())
        m_removals.removeLast();
    const int serial = removal.serial;
    QTimer::singleShot(undoMilliseconds, this, [this, serial] {
        for (Removal& r : m_removals) {
            if (r.serial == serial)
                r.expired = true;
        }
        if (!m_pointerOverLines)
            dropExpiredRemovals();
    });
    rebuild();
}

void CartSheet::undo(int serial) {
    const auto it =
        std::find_if(m_removals.begin(), m_removals.end(), [serial](const Removal& r) { return r.serial == serial; });
    if (it == m_removals.end())
        return;
    const QList<std::pair<qsizetype, CartItem>> lines = it->lines;
    m_removals.erase(it);
    m_cart.restore(lines);
    rebuild();
}

void CartSheet::dropExpiredRemovals() {
    if (m_removals.removeIf([](const Removal& r) { return r.expired; }) > 0)
        rebuild();
}

void CartSheet::setQuantity(const QString& lineID, std::int64_t quantity) {
    m_cart.setQuantity(lineID, quantity);
    m_notes.remove(lineID);
    for (const CartItem& item : m_cart.items()) {
        if (item.id == lineID && item.quantity < quantity)
            m_notes.insert(
                lineID,
                QStringLiteral("Не больше остатка у поставщика: %1 шт.").arg(item.availableQuantity.value_or(1)));
    }
    rebuild();
}

void CartSheet::exportCart() {
    QPointer<CartSheet> self(this);
    ExportDialog::save(this, ExportDialog::suggestedName(QStringLiteral("корзина"), QDate::currentDate()),
                       {CartExport::table(m_cart.groups(QLocale(QLocale::Russian, QLocale::Russia)))},
                       [self](const QString& message) {
                           if (self)
                               self->m_copied->setText(message);
                       });
}

void CartSheet::rebuild() {
    // A quantity being typed survives a change made elsewhere.
    std::optional<std::pair<QString, QString>> typing;
    if (auto* box = qobject_cast<QSpinBox*>(QApplication::focusWidget() ? QApplication::focusWidget()->parentWidget()
                                                                        : nullptr);
        box && m_sections && m_sections->isAncestorOf(box)) {
        typing = {box->parentWidget()->objectName().mid(5), box->findChild<QLineEdit*>()->text()};
    }

    m_notice->setVisible(!m_cart.keptAsideKey().isEmpty());
    m_count->setText(QStringLiteral("%1 шт.").arg(m_cart.totalItemCount()));
    Decimal total;
    for (const CartItem& item : m_cart.items()) {
        if (!CartLineView::isUnavailable(m_verdicts.verdict(item)))
            total = total + CartExport::priceOf(item) * Decimal(item.quantity);
    }
    m_total->setText(QStringLiteral("Итого по корзине: ") + CartLineView::money(total));
    m_total->setVisible(!m_cart.items().isEmpty());

    QList<CartItem> shown = m_cart.items();
    QHash<QString, const Removal*> removed;
    for (const Removal& removal : std::as_const(m_removals)) {
        for (const auto& [index, line] : removal.lines) {
            Q_UNUSED(index);
            if (std::none_of(shown.begin(), shown.end(), [&](const CartItem& i) { return i.id == line.id; })) {
                shown.append(line);
                removed.insert(line.id, &removal);
            }
        }
    }
    const auto groups = CartStore::groupsOf(shown, QLocale(QLocale::Russian, QLocale::Russia));
    m_pages->setCurrentIndex(groups.isEmpty() ? 0 : 1);
    auto* scroll = static_cast<QScrollArea*>(m_pages->widget(1));
    const int position = scroll->verticalScrollBar() ? scroll->verticalScrollBar()->value() : 0;
    auto* content = new QWidget(scroll);
    auto* layout = new QVBoxLayout(content);
    m_sections = content;
    for (const SupplierCartGroup& group : groups)
        layout->addWidget(makeSection(group, removed));
    layout->addStretch();
    // The old lines go once control is back in the event loop: the button whose click led here
    // may be one of them.
    if (QWidget* old = scroll->takeWidget()) {
        old->hide();
        old->setParent(nullptr);
        old->deleteLater();
    }
    scroll->setWidget(content);
    scroll->verticalScrollBar()->setValue(position);

    if (typing) {
        if (auto* line = content->findChild<CartLineView*>(QStringLiteral("line-") + typing->first)) {
            line->quantityBox()->findChild<QLineEdit*>()->setText(typing->second);
            line->quantityBox()->setFocus();
        }
    }
}

QWidget* CartSheet::makeSection(const SupplierCartGroup& group, const QHash<QString, const Removal*>& removed) {
    auto* section = new QFrame(m_sections);
    section->setObjectName(QStringLiteral("section-") + group.supplierID);
    section->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(section);
    const QString id = group.supplierID;

    auto* header = new QHBoxLayout();
    auto* name = label(group.supplierName, section, true);
    QPalette namePalette = name->palette();
    namePalette.setColor(QPalette::WindowText, supplierQColor(m_colors(id), name->palette()));
    name->setPalette(namePalette);
    header->addWidget(name);
    header->addStretch();
    const bool checkingThis = m_verdicts.checkingSupplierID() == id;
    auto* check = button(checkingThis ? QStringLiteral("Проверяем…") : QStringLiteral("Проверить актуальность"),
                         QStringLiteral("check"), section);
    check->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    check->setEnabled(m_verdicts.checkingSupplierID().isEmpty());
    connect(check, &QPushButton::clicked, this, [this, id] { checkSupplier(id); });
    header->addWidget(check);
    if (const QList<CartItem> changed = m_verdicts.changedLines(id); !changed.isEmpty()) {
        auto* accept = button(QStringLiteral("Принять новые условия"), QStringLiteral("acceptAll"), section);
        accept->setToolTip(QStringLiteral("Записать новые цены, сроки и остатки во все изменившиеся позиции (%1)")
                               .arg(changed.size()));
        connect(accept, &QPushButton::clicked, this, [this, changed] {
            for (const CartItem& line : changed)
                m_verdicts.acceptNewTerms(line.id);
        });
        header->addWidget(accept);
    }
    if (const QList<CartItem> gone = m_verdicts.unavailableLines(id); !gone.isEmpty()) {
        auto* drop = button(QStringLiteral("Убрать недоступные"), QStringLiteral("removeUnavailable"), section);
        connect(drop, &QPushButton::clicked, this, [this, gone] {
            remove(gone,
                   gone.size() == 1 ? lineText(gone.first()) : QStringLiteral("недоступные (%1)").arg(gone.size()));
        });
        header->addWidget(drop);
    }
    auto* copyOrder = button(QStringLiteral("Скопировать заказ"), QStringLiteral("copyOrder"), section);
    copyOrder->setToolTip(QStringLiteral("Артикул, производитель, количество и цена по строкам, через табуляцию"));
    header->addWidget(copyOrder);
    layout->addLayout(header);

    if (const QString failure = m_verdicts.failure(id); !failure.isEmpty()) {
        auto* text = new QLabel(failure, section);
        text->setObjectName(QStringLiteral("failure"));
        text->setWordWrap(true);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QPalette p = text->palette();
        p.setColor(QPalette::WindowText, QColor(198, 40, 40));
        text->setPalette(p);
        layout->addWidget(text);
    }

    SupplierCartGroup inCart{group.supplierID, group.supplierName, {}};
    Decimal total;
    int outOfTotal = 0;
    for (const CartItem& item : group.items) {
        if (const Removal* removal = removed.value(item.id)) {
            const bool first = removal->lines.first().second.id == item.id;
            auto* placeholder =
                new CartRemovedLineView(first ? removal->text : QString(), m_rowHeights.value(item.id, 48), section);
            connect(placeholder, &CartRemovedLineView::undoRequested, this,
                    [this, serial = removal->serial] { undo(serial); });
            layout->addWidget(placeholder);
            continue;
        }
        inCart.items.append(item);
        const auto verdict = m_verdicts.verdict(item);
        auto* line = new CartLineView(item, verdict, m_copyMark, section);
        line->showNote(m_notes.value(item.id));
        connect(line, &CartLineView::copyRequested, this, &CartSheet::copyValue);
        connect(line, &CartLineView::quantityEntered, this, &CartSheet::setQuantity);
        connect(line, &CartLineView::stepRequested, this, [this](const QString& lineID, int step) {
            m_notes.remove(lineID);
            step > 0 ? m_cart.increment(lineID) : m_cart.decrement(lineID);
        });
        connect(line, &CartLineView::removeRequested, this, [this, item] { remove({item}, lineText(item)); });
        connect(line, &CartLineView::acceptRequested, &m_verdicts, &CartVerdicts::acceptNewTerms);
        layout->addWidget(line);
        if (CartLineView::isUnavailable(verdict))
            ++outOfTotal;
        else
            total = total + CartExport::priceOf(item) * Decimal(item.quantity);
    }
    connect(copyOrder, &QPushButton::clicked, this, [this, inCart] {
        QApplication::clipboard()->setText(CartExport::orderText(inCart, m_copyMark));
        m_copied->setText(
            QStringLiteral("Скопирован заказ %1: позиций %2").arg(inCart.supplierName).arg(inCart.items.size()));
    });
    copyOrder->setEnabled(!inCart.items.isEmpty());

    // Clearing the whole supplier sits apart from the check, not one Tab away from it.
    auto* footer = new QHBoxLayout();
    auto* clear = button(QStringLiteral("Очистить ") + group.supplierName, QStringLiteral("clear"), section);
    clear->setEnabled(!inCart.items.isEmpty());
    connect(clear, &QPushButton::clicked, this, [this, inCart] {
        remove(inCart.items, QStringLiteral("все позиции %1 (%2)").arg(inCart.supplierName).arg(inCart.items.size()));
    });
    footer->addWidget(clear);
    footer->addStretch();
    if (outOfTotal > 0) {
        auto* note = new QLabel(QStringLiteral("без недоступных: %1 поз.").arg(outOfTotal), section);
        note->setObjectName(QStringLiteral("outOfTotal"));
        note->setForegroundRole(QPalette::PlaceholderText);
        footer->addWidget(note);
    }
    footer->addWidget(label(QStringLiteral("Итого"), section, true));
    auto* sum = CartLineView::moneyLabel(
        total, m_copyMark, [this](const QString& value) { copyValue(value); }, section);
    sum->setObjectName(QStringLiteral("total"));
    QFont bold = sum->font();
    bold.setBold(true);
    sum->setFont(bold);
    footer->addWidget(sum);
    layout->addLayout(footer);
    return section;
}
