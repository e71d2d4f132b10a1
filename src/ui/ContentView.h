#pragma once

#include "NotificationOverlay.h"

#include "OfferTableArea.h"
#include "SearchBarView.h"

#include <QWidget>

#include <functional>
#include <optional>

class CartStore;
class ErrorPageView;
class FirstRunView;
class QDialog;
class QShortcut;
class QStackedWidget;
class SearchHistoryPopup;
class SearchMoodView;
class SearchViewModel;
class UserDefaults;

// The window's content: the search bar with its tool buttons, the mood line while a search
// runs, and below them the placeholder, the error, or the table area (status row, filters bar
// and offer table), with the notification overlay over everything. It follows the view model,
// opens the sheets, and turns the table's requests (copy, export, cart) into actions and messages.
class ContentView : public QWidget {
    Q_OBJECT

public:
    enum class Sheet { feedback, settings, cart, batch };
    enum class Page { empty, error, placeholder, results, setup };

    // How long an overlay message stays.
    static constexpr int messageClearanceMs = NotificationOverlay::clearanceMs;

    ContentView(SearchViewModel& viewModel, UserDefaults& defaults, CartStore& cart, QWidget* parent = nullptr);
    ~ContentView() override;

    // A sheet's button opens what the factory makes, window-modal over this view; until a sheet
    // is attached its button stays disabled and says so.
    using SheetFactory = std::function<QDialog*(QWidget* parent)>;
    void attachSheet(Sheet sheet, SheetFactory factory);
    bool isShowingSheet(Sheet sheet) const;

    // Recomputes the rows and the status row from the offers and the current settings
    // (also the stored markup, which the settings sheet changes).
    void refreshTable();

    // The table's actions; what they did shows in the overlay.
    void copyValue(const QString& value) { m_area->copyValue(value); }
    void copyRow(int row) { m_area->copyRow(row); }
    void copyRows(const QList<int>& rows) { m_area->copyRows(rows); }
    std::optional<QString> exportOffers(bool allOffers, const QString& path) {
        return m_area->exportOffers(allOffers, path);
    }
    void addToCart(int row) { m_area->addToCart(row); }

    void focusSearchField();

    Page currentPage() const;
    const OffersSnapshot& snapshot() const { return m_area->snapshot(); }
    const OfferTableSettings& tableSettings() const { return m_area->tableSettings(); }
    const OfferSortState& sortState() const { return m_area->sortState(); }
    std::optional<QString> copiedMessage() const { return m_overlay->copiedMessage(); }
    std::optional<QString> cartMessage() const { return m_overlay->cartMessage(); }

    SearchBarView* searchBar() const { return m_bar; }
    QLineEdit* searchField() const { return m_field; }
    QPushButton* searchButton() const { return m_bar->searchButton(); }
    QPushButton* sheetButton(Sheet sheet) const;
    QLabel* durationLabel() const { return m_bar->durationLabel(); }
    OfferTableArea* tableArea() const { return m_area; }
    QLabel* resultLine() const { return m_area->resultLine(); }
    QLabel* resultWarningMark() const { return m_area->resultWarningMark(); }
    QLabel* articleNoteLabel() const { return m_area->articleNoteLabel(); }
    // The empty state's headline and the line under it.
    QLabel* placeholderTitle() const { return m_placeholderTitle; }
    QLabel* placeholderSubtitle() const { return m_placeholderSubtitle; }
    SearchMoodView* moodView() const { return m_mood; }
    StatusRowView* statusRow() const { return m_area->statusRow(); }
    FiltersBarView* filtersBar() const { return m_area->filtersBar(); }
    OfferTableView* tableView() const { return m_area->tableView(); }
    OfferTableModel* tableModel() const { return m_area->tableModel(); }
    QLabel* errorLabel() const;
    QWidget* placeholder() const { return m_placeholder; }
    // How to start, while no enabled supplier has an account stored.
    FirstRunView* firstRunView() const { return m_firstRun; }
    NotificationOverlay* overlay() const { return m_overlay; }
    QToolButton* exportButton() const { return m_area->exportButton(); }
    SearchHistoryPopup* historyPopup() const { return m_history; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct SheetSlot {
        QPushButton* button = nullptr;
        SheetFactory factory;
        bool showing = false;
    };

    void setUpSearchBar();
    QWidget* makePlaceholderPage();
    SheetSlot& slot(Sheet sheet);
    const SheetSlot& slot(Sheet sheet) const;
    void openSheet(Sheet sheet);

    void searchButtonClicked();
    void searchFinished();
    void setUpKeyboard();

    void updateLoading();
    void updatePage();
    void updateCartButton();

    SearchViewModel& m_viewModel;
    UserDefaults& m_defaults;
    CartStore& m_cart;

    SearchBarView* m_bar = nullptr;
    QLineEdit* m_field = nullptr;
    SheetSlot m_feedback;
    SheetSlot m_settingsSheet;
    SheetSlot m_cartSheet;
    SheetSlot m_batchSheet;
    SearchMoodView* m_mood = nullptr;
    QStackedWidget* m_pages = nullptr;
    ErrorPageView* m_errorPage = nullptr;
    QWidget* m_placeholder = nullptr;
    FirstRunView* m_firstRun = nullptr;
    QLabel* m_placeholderTitle = nullptr;
    QLabel* m_placeholderSubtitle = nullptr;
    QShortcut* m_cancelShortcut = nullptr;
    OfferTableArea* m_area = nullptr;
    NotificationOverlay* m_overlay = nullptr;
    SearchHistoryPopup* m_history = nullptr;
};
