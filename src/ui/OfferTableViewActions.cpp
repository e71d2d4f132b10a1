// The table's picking, copying and context menu: what the buyer does with its rows.
#include "OfferTableModel.h"
#include "OfferTableView.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPersistentModelIndex>

#include <algorithm>

void OfferTableView::contextMenuEvent(QContextMenuEvent* event) {
    const bool fromMouse = event->reason() == QContextMenuEvent::Mouse;
    const QModelIndex index = fromMouse ? indexAt(event->pos()) : currentIndex();
    if (!index.isValid())
        return;
    setCurrentIndex(index);
    const QPersistentModelIndex cell(index);
    // popup(), not exec(): the window's event loop runs the menu.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* copyCell = menu->addAction(QStringLiteral("Копировать ячейку"), this, [this, cell] {
        if (cell.isValid() && cell.column() != OfferTableModel::cart)
            Q_EMIT copyRequested(cell.data(OfferTableModel::CopyValueRole).toString());
    });
    copyCell->setShortcut(QKeySequence::Copy);
    copyCell->setEnabled(index.column() != OfferTableModel::cart);
    menu->addAction(QStringLiteral("Копировать строку"), this, [this, cell] {
        if (cell.isValid())
            Q_EMIT copyRowRequested(cell.row());
    });
    const QList<int> picked = pickedRows();
    if (!picked.isEmpty()) {
        QAction* rows = menu->addAction(QStringLiteral("Копировать выбранные строки (%1)").arg(picked.size()), this,
                                        [this, picked] { Q_EMIT copyRowsRequested(picked); });
        rows->setShortcut(QKeySequence::Copy);
        copyCell->setShortcut(QKeySequence());
    }
    menu->addSeparator();
    QAction* add = menu->addAction(QStringLiteral("Добавить в корзину"), this, [this, cell] {
        if (cell.isValid())
            Q_EMIT addToCartRequested(cell.row());
    });
    add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    const QPoint at = fromMouse ? event->globalPos() : viewport()->mapToGlobal(visualRect(index).center());
    menu->popup(at);
}

void OfferTableView::activate(const QModelIndex& index) {
    // Shift and Ctrl clicks pick rows; they copy nothing.
    if (!index.isValid() || (QGuiApplication::keyboardModifiers() & (Qt::ShiftModifier | Qt::ControlModifier)))
        return;
    if (index.column() == OfferTableModel::cart)
        Q_EMIT addToCartRequested(index.row());
    else
        Q_EMIT copyRequested(index.data(OfferTableModel::CopyValueRole).toString());
}

QList<int> OfferTableView::pickedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Only Shift and Ctrl pick rows; a plain click or arrow drops the picked rows and moves the
// current one, so a click still just copies its cell.
QItemSelectionModel::SelectionFlags OfferTableView::selectionCommand(const QModelIndex& index,
                                                                     const QEvent* event) const {
    if (!event)
        return QItemSelectionModel::NoUpdate;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
        modifiers = static_cast<const QInputEvent*>(event)->modifiers();
        break;
    default:
        return QTableView::selectionCommand(index, event);
    }
    if (!(modifiers & (Qt::ShiftModifier | Qt::ControlModifier)))
        return QItemSelectionModel::Clear;
    return QTableView::selectionCommand(index, event);
}

void OfferTableView::copyCurrent() {
    if (const QList<int> picked = pickedRows(); !picked.isEmpty()) {
        Q_EMIT copyRowsRequested(picked);
        return;
    }
    const QModelIndex index = currentIndex();
    if (index.isValid() && index.column() != OfferTableModel::cart)
        Q_EMIT copyRequested(index.data(OfferTableModel::CopyValueRole).toString());
}
