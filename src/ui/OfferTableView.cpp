#include "OfferTableView.h"

#include "OfferCellDelegate.h"
#include "OfferHeaderView.h"
#include "OfferTableModel.h"
#include "UiIcons.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>

namespace {

// Rows whose values the columns are fitted to.
constexpr int kMeasuredRows = 1000;

// The longest values the table is made for, per column; the name has none, it elides.
QString longestExpected(int column) {
    switch (column) {
    case OfferTableModel::brand:
        return QStringLiteral("MERCEDES-BENZ");
    case OfferTableModel::article:
        return QStringLiteral("21050-1012005-00-XYZ");
    case OfferTableModel::price:
        return QStringLiteral("999999,99 руб.");
    case OfferTableModel::quantity:
        return QStringLiteral("99999");
    case OfferTableModel::delivery:
        return QStringLiteral("99 дн.");
    case OfferTableModel::risk:
        return QStringLiteral("100.00%");
    case OfferTableModel::supplier:
        return QStringLiteral("Autopiter");
    default:
        return {};
    }
}

} // namespace

OfferTableView::OfferTableView(OfferTableModel& model, QWidget* parent)
    : QTableView(parent)
    , m_model(model)
    , m_header(new OfferHeaderView(this)) {
    setHorizontalHeader(m_header);
    setModel(&model);
    setItemDelegate(new OfferCellDelegate(this));
    setAlternatingRowColors(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setShowGrid(false);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    viewport()->setCursor(Qt::PointingHandCursor);

    // Fixed row heights keep scrolling a long list as cheap as a short one.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 10);
    m_header->setStretchLastSection(false);
    m_header->setMinimumSectionSize(24);
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_header->setSectionResizeMode(OfferTableModel::cart, QHeaderView::Fixed);

    // A double-click on a border gives the column back to the automatic width (instead of
    // fitting it to its contents, which the automatic width already does).
    disconnect(m_header, &QHeaderView::sectionHandleDoubleClicked, this, nullptr);
    connect(m_header, &QHeaderView::sectionHandleDoubleClicked, this, &OfferTableView::resetColumn);
    connect(m_header, &QHeaderView::sectionResized, this,
            [this](int section, int, int newSize) { sectionResizedByUser(section, newSize); });
    connect(m_header, &OfferHeaderView::released, this, [this] {
        if (std::exchange(m_userResized, false))
            Q_EMIT chosenWidthsChanged();
    });

    const auto remeasure = [this] {
        measureContent();
        applyColumnWidths();
    };
    connect(&model, &QAbstractItemModel::modelReset, this, remeasure);
    connect(&model, &QAbstractItemModel::layoutChanged, this, remeasure);
    connect(&model, &QAbstractItemModel::dataChanged, this, [this, remeasure](const QModelIndex& from) {
        if (from.column() != OfferTableModel::cart)
            remeasure();
    });

    connect(m_header, &OfferHeaderView::columnShownChanged, this, &OfferTableView::showColumn);
    // New rows: the divider's row is sized anew by whoever sets it.
    connect(&model, &QAbstractItemModel::modelReset, this, [this] { setPinnedDivider(-1, {}); });

    connect(this, &QTableView::clicked, this, &OfferTableView::activate);
    auto* copy = new QShortcut(QKeySequence::Copy, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(copy, &QShortcut::activated, this, &OfferTableView::copyCurrent);
    measureContent();
    applyColumnWidths();
}

int OfferTableView::textWidth(const QModelIndex& index) const {
    const QVariant font = index.data(Qt::FontRole);
    const QFontMetrics metrics(font.isValid() ? font.value<QFont>() : this->font());
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    // One pixel more than the delegate's own margins: its layout rounds the text's width up.
    return metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) + 2 * margin + 1;
}

int OfferTableView::contentWidth(int column) const {
    if (column < 0 || column >= PFOfferWidths::columnCount)
        return 0;
    return m_columns[static_cast<size_t>(column)].content;
}

void OfferTableView::measureContent() {
    // As Qt's own fitting to contents does, the first thousand rows decide: measuring every row
    // of a 10 000-row answer stopped the window for a noticeable moment. Values repeat a lot
    // (brands, terms, quantities), so each text is measured once.
    const int rows = std::min(m_model.rowCount(), kMeasuredRows);
    QHash<QString, int> measured;
    for (int c = 0; c < PFOfferWidths::columnCount; ++c) {
        PFOfferWidths::Column& column = m_columns[static_cast<size_t>(c)];
        column.title = m_header->titleWidth(c);
        column.content = 0;
        if (c == OfferTableModel::name)
            continue;
        for (int r = 0; r < rows; ++r) {
            const QModelIndex index = m_model.index(r, c);
            const QVariant font = index.data(Qt::FontRole);
            if (font.isValid()) {
                column.content = std::max(column.content, textWidth(index));
                continue;
            }
            const QString text = index.data(Qt::DisplayRole).toString();
            auto known = measured.constFind(text);
            if (known == measured.cend())
                known = measured.insert(text, textWidth(index));
            column.content = std::max(column.content, *known);
        }
    }
}

int OfferTableView::availableWidth() const {
    // The vertical scroll bar's room is always kept, so the columns do not move when it appears.
    return contentsRect().width() - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) -
           PFOfferWidths::cartColumnWidth;
}

void OfferTableView::applyColumnWidths() {
    const PFOfferWidths widths = PFOfferWidths::arranged(availableWidth(), m_columns);
    m_applying = true;
    for (int i = 0; i < PFOfferWidths::columnCount; ++i)
        m_header->resizeSection(i, widths.widths[static_cast<size_t>(i)]);
    m_header->resizeSection(OfferTableModel::cart, PFOfferWidths::cartColumnWidth);
    m_applying = false;
}

void OfferTableView::sectionResizedByUser(int section, int newSize) {
    if (m_applying || section < 0 || section >= PFOfferWidths::columnCount)
        return;
    m_columns[static_cast<size_t>(section)].chosen = newSize;
    m_userResized = true;
    applyColumnWidths();
}

void OfferTableView::resetColumn(int section) {
    if (section < 0 || section >= PFOfferWidths::columnCount)
        return;
    m_columns[static_cast<size_t>(section)].chosen.reset();
    m_userResized = false;
    applyColumnWidths();
    Q_EMIT chosenWidthsChanged();
}

OfferTableView::ChosenWidths OfferTableView::chosenWidths() const {
    ChosenWidths widths;
    for (size_t i = 0; i < widths.size(); ++i)
        widths[i] = m_columns[i].chosen;
    return widths;
}

void OfferTableView::setChosenWidths(const ChosenWidths& widths) {
    for (size_t i = 0; i < widths.size(); ++i)
        m_columns[i].chosen = widths[i];
    applyColumnWidths();
}

OfferTableView::HiddenColumns OfferTableView::hiddenColumns() const {
    HiddenColumns hidden{};
    for (size_t i = 0; i < hidden.size(); ++i)
        hidden[i] = m_columns[i].hidden;
    return hidden;
}

void OfferTableView::setHiddenColumns(const HiddenColumns& hidden) {
    for (size_t i = 0; i < hidden.size(); ++i) {
        // The article and the price are what a row is; they always show.
        const int c = static_cast<int>(i);
        m_columns[i].hidden = hidden[i] && OfferHeaderView::canHide(c);
        m_header->setSectionHidden(c, m_columns[i].hidden);
    }
    applyColumnWidths();
}

void OfferTableView::showColumn(int column, bool shown) {
    if (column < 0 || column >= PFOfferWidths::columnCount)
        return;
    HiddenColumns hidden = hiddenColumns();
    hidden[static_cast<size_t>(column)] = !shown;
    setHiddenColumns(hidden);
    Q_EMIT hiddenColumnsChanged();
}

int OfferTableView::dividerHeight(const QWidget& table) {
    return table.fontMetrics().height() + 6;
}

void OfferTableView::setPinnedDivider(int row, const QString& caption) {
    const int rowHeight = verticalHeader()->defaultSectionSize();
    if (m_dividerRow >= 0 && m_dividerRow < m_model.rowCount())
        verticalHeader()->resizeSection(m_dividerRow, rowHeight);
    m_dividerRow = row > 0 && row < m_model.rowCount() ? row : -1;
    m_dividerCaption = caption;
    if (m_dividerRow >= 0)
        verticalHeader()->resizeSection(m_dividerRow, rowHeight + dividerHeight(*this));
    viewport()->update();
}

// The divider: a thin line across the rows with its caption, in the room above its row.
void OfferTableView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (m_dividerRow < 0)
        return;
    const int top = rowViewportPosition(m_dividerRow);
    if (top < 0 && top + dividerHeight(*this) < 0)
        return;
    QPainter painter(viewport());
    const QRect strip(0, top, viewport()->width(), dividerHeight(*this));
    painter.fillRect(strip, palette().color(QPalette::Window));
    QColor line = palette().color(QPalette::PlaceholderText);
    painter.setPen(line);
    const int middle = strip.center().y();
    QFont small = font();
    small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1.0));
    painter.setFont(small);
    const QFontMetrics metrics(small);
    const QString caption = metrics.elidedText(m_dividerCaption, Qt::ElideRight, strip.width() - 24);
    const int textLeft = 8;
    const int textRight = textLeft + metrics.horizontalAdvance(caption) + 8;
    painter.drawText(QRect(textLeft, strip.top(), strip.width() - textLeft, strip.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, caption);
    line.setAlpha(140);
    painter.setPen(line);
    painter.drawLine(textRight, middle, strip.right() - 4, middle);
}

QSize OfferTableView::minimumSizeHint() const {
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QFont boldFixed = fixed;
    boldFixed.setBold(true);
    const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 1;
    int width = PFOfferWidths::cartColumnWidth + 2 * frameWidth() +
                style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    for (int c = 0; c < PFOfferWidths::columnCount; ++c) {
        if (m_columns[static_cast<size_t>(c)].hidden)
            continue;
        // The columns that give way need only their least width; the others their longest values.
        if (PFOfferWidths::givesWay(c)) {
            width += PFOfferWidths::giveWayMinimum;
            continue;
        }
        const QFont& font = c == OfferTableModel::article ? boldFixed
                            : c == OfferTableModel::price ? fixed
                                                          : this->font();
        width += QFontMetrics(font).horizontalAdvance(longestExpected(c)) + margin;
    }
    return {width, QTableView::minimumSizeHint().height()};
}

void OfferTableView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    applyColumnWidths();
}

void OfferTableView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool addKey = ((key == Qt::Key_Return || key == Qt::Key_Enter) && modifiers == Qt::ControlModifier) ||
                        (key == Qt::Key_Insert && modifiers == Qt::NoModifier);
    if (addKey) {
        if (currentIndex().isValid())
            Q_EMIT addToCartRequested(currentIndex().row());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

// The whole row of the old and the new current cell is repainted, not just the two cells.
void OfferTableView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (current.row() != previous.row())
        viewport()->update();
}

void OfferTableView::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    // Coming in with the keyboard, the first row becomes current, so the arrows and the cart
    // keys work at once.
    if (!currentIndex().isValid() && m_model.rowCount() > 0 && event->reason() != Qt::MouseFocusReason)
        setCurrentIndex(m_model.index(0, OfferTableModel::brand));
    viewport()->update();
}

// The current row's tint is stronger while the table has the keyboard.
void OfferTableView::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}
