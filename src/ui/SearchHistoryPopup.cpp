#include "SearchHistoryPopup.h"

#include "search/SearchViewModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeWidget>

namespace {

constexpr int kMostVisibleRows = 10;

} // namespace

SearchHistoryPopup::SearchHistoryPopup(QLineEdit& field, SearchViewModel& viewModel, UserDefaults& defaults,
                                       QObject* parent)
    : QObject(parent)
    , m_field(field)
    , m_viewModel(viewModel)
    , m_history(defaults) {
    // A child of the window laid over its content, not a window of its own: the field keeps the
    // keyboard while the list is open.
    m_list = new QTreeWidget(field.window());
    m_list->setObjectName(QStringLiteral("searchHistory"));
    m_list->setColumnCount(2);
    m_list->setHeaderHidden(true);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->header()->setStretchLastSection(true);
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_list->setFrameShape(QFrame::StyledPanel);
    m_list->setToolTip(QStringLiteral("Недавние поиски: Enter или щелчок — найти снова"));
    m_list->hide();
    connect(m_list, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { choose(m_list->indexOfTopLevelItem(item)); });

    connect(&m_field, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text.trimmed().isEmpty())
            hide();
        else
            showMatches();
    });
    connect(&m_viewModel, &SearchViewModel::searchFinished, this,
            [this] { m_history.record(m_viewModel.searchedArticle(), m_viewModel.offers().size()); });
    m_field.installEventFilter(this);
    m_field.window()->installEventFilter(this);
}

bool SearchHistoryPopup::isShown() const {
    return m_list->isVisible();
}

bool SearchHistoryPopup::showMatches() {
    m_shown = m_history.matching(m_field.text());
    if (m_shown.isEmpty()) {
        hide();
        return false;
    }
    m_list->clear();
    const QDateTime now = QDateTime::currentDateTime();
    const QColor dim = m_list->palette().color(QPalette::PlaceholderText);
    for (const SearchHistoryEntry& entry : m_shown) {
        auto* item = new QTreeWidgetItem(m_list, {entry.article, SearchHistory::detailText(entry, now)});
        item->setForeground(1, dim);
    }
    m_list->setCurrentItem(nullptr);
    m_list->clearSelection();
    reposition();
    m_list->show();
    m_list->raise();
    return true;
}

void SearchHistoryPopup::hide() {
    m_list->hide();
}

void SearchHistoryPopup::choose(int row) {
    if (row < 0 || row >= m_shown.size())
        return;
    const QString article = m_shown[row].article;
    hide();
    m_field.setText(article);
    m_viewModel.setArticle(article);
    m_viewModel.submit();
}

void SearchHistoryPopup::reposition() {
    QWidget* window = m_field.window();
    const QPoint below = m_field.mapTo(window, QPoint(0, m_field.height() + 2));
    const int rowHeight = std::max(m_list->sizeHintForRow(0), m_field.fontMetrics().height() + 6);
    const int rows = std::min<int>(static_cast<int>(m_shown.size()), kMostVisibleRows);
    const int height = rows * rowHeight + 2 * m_list->frameWidth() + 2;
    const int width = std::max(m_field.width(), 360);
    m_list->setGeometry(below.x(), below.y(), std::min(width, window->width() - below.x() - 4),
                        std::min(height, window->height() - below.y() - 4));
}

void SearchHistoryPopup::moveCurrent(int step) {
    const int count = m_list->topLevelItemCount();
    const int row = m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
    const int next = row + step;
    // Up from the first entry gives the keyboard back to the typed text.
    if (next < 0) {
        m_list->setCurrentItem(nullptr);
        m_list->clearSelection();
        return;
    }
    m_list->setCurrentItem(m_list->topLevelItem(std::min(next, count - 1)));
}

bool SearchHistoryPopup::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field.window()) {
        if (event->type() == QEvent::Resize && isShown())
            reposition();
        return false;
    }
    switch (event->type()) {
    case QEvent::FocusOut:
        hide();
        break;
    case QEvent::MouseButtonRelease:
        // A click into the empty field offers what was searched before.
        if (m_field.text().trimmed().isEmpty() && !isShown())
            showMatches();
        break;
    case QEvent::ShortcutOverride:
        // Esc closes the list before it cancels a search.
        if (isShown() && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            event->accept();
            return true;
        }
        break;
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            break;
        switch (key->key()) {
        case Qt::Key_Down:
            if (isShown()) {
                moveCurrent(1);
                return true;
            }
            if (m_tableTakesDown && m_tableTakesDown())
                return false;
            // The Down that opens the list also picks its first entry.
            if (!showMatches())
                return false;
            moveCurrent(1);
            return true;
        case Qt::Key_Up:
            if (!isShown())
                return false;
            moveCurrent(-1);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (isShown() && m_list->currentItem()) {
                choose(m_list->indexOfTopLevelItem(m_list->currentItem()));
                return true;
            }
            hide();
            return false;
        case Qt::Key_Escape:
            if (!isShown())
                return false;
            hide();
            return true;
        default:
            break;
        }
        break;
    }
    default:
        break;
    }
    return false;
}
