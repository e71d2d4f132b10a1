#pragma once

#include "export/ExportTable.h"
#include "offertable/OfferSortOrder.h"
#include "offertable/OffersSnapshot.h"

#include <QWidget>

#include <functional>
#include <optional>

class CartStore;
class FirstRunView;
class NotificationOverlay;
class OfferTableModel;
class OfferTableView;
class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QShortcut;
class QStackedWidget;
class QToolButton;
class SearchHistoryPopup;
class SearchMoodView;
class SearchViewModel;
class StatusRowView;
class UserDefaults;

// The window's content: the search bar with its tool buttons, the mood line while a search
// runs, and below them the placeholder, the error, or the status row and the offer table,
// with the notification overlay over everything. Owns the table's view state (sort order,
// useful or all offers, the risk filter) and recomputes the table from the view model's
// offers whenever they or the settings change.
class ContentView : public QWidget {
    Q_OBJECT

public:
    enum class Sheet { feedback, settings, cart, batch };
    enum class Page { empty, error, placeholder, results, setup };

    // How long an overlay message stays.
    static constexpr int messageClearanceMs = 1400;

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

    // Puts the value on the clipboard and says so in the overlay.
    void copyValue(const QString& value);
    // Puts the displayed row's eight values on the clipboard, tab-separated.
    void copyRow(int row);
    // Puts the displayed rows on the clipboard as a spreadsheet takes them: a header line, then
    // a line per row, tab-separated, prices with the markup as numbers with a decimal comma.
    void copyRows(const QList<int>& rows);
    // Saves the rows as shown, or every offer of the search, as a workbook (".xlsx") or CSV;
    // the error text when it could not be saved.
    std::optional<QString> exportOffers(bool allOffers, const QString& path);
    // Adds the displayed row's offer to the cart and reports whether it was new.
    void addToCart(int row);

    void focusSearchField();

    Page currentPage() const;
    const OffersSnapshot& snapshot() const { return m_snapshot; }
    const OfferTableSettings& tableSettings() const { return m_settings; }
    const OfferSortState& sortState() const { return m_sortState; }
    std::optional<QString> copiedMessage() const { return m_copiedMessage; }
    std::optional<QString> cartMessage() const { return m_cartMessage; }

    QLineEdit* searchField() const { return m_field; }
    QPushButton* searchButton() const { return m_searchButton; }
    QPushButton* sheetButton(Sheet sheet) const;
    QLabel* durationLabel() const { return m_durationText; }
    // Above the table: what the rows are ("OC 90 — найдено предложений: 5"), with a mark when a
    // supplier is missing from them; and the note on a changed article.
    QLabel* resultLine() const { return m_resultText; }
    QLabel* resultWarningMark() const { return m_resultIcon; }
    QLabel* articleNoteLabel() const { return m_noteText; }
    // The empty state's headline and the line under it.
    QLabel* placeholderTitle() const { return m_placeholderTitle; }
    QLabel* placeholderSubtitle() const { return m_placeholderSubtitle; }
    SearchMoodView* moodView() const { return m_mood; }
    StatusRowView* statusRow() const { return m_statusRow; }
    OfferTableView* tableView() const { return m_table; }
    OfferTableModel* tableModel() const { return m_model; }
    QLabel* errorLabel() const { return m_errorText; }
    QWidget* placeholder() const { return m_placeholder; }
    // How to start, while no enabled supplier has an account stored.
    FirstRunView* firstRunView() const { return m_firstRun; }
    NotificationOverlay* overlay() const { return m_overlay; }
    QToolButton* exportButton() const { return m_exportButton; }
    SearchHistoryPopup* historyPopup() const { return m_history; }

    // Where dragged column widths are kept.
    static const QString columnWidthsKey;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct SheetSlot {
        QPushButton* button = nullptr;
        SheetFactory factory;
        bool showing = false;
    };

    QWidget* makeSearchBar();
    QWidget* makeErrorPage();
    QWidget* makeResultLine(QWidget* parent);
    QWidget* makePlaceholderPage();
    SheetSlot& slot(Sheet sheet);
    const SheetSlot& slot(Sheet sheet) const;
    void openSheet(Sheet sheet);

    void sortByHeader(int section);
    void searchButtonClicked();
    void setUpKeyboard();
    void loadColumnWidths();
    void saveColumnWidths();
    void toggleShowAll();
    void setRejectFilterEnabled(bool enabled);
    void setRejectThreshold(double threshold);

    void updateLoading();
    void updatePage();
    void updateDuration();
    void updateCartButton();
    void updateOverlay();
    void showCopiedMessage(const QString& message);
    void showCartMessage(const QString& message);
    QList<ExportTable> exportTables(bool allOffers) const;
    void chooseExportFile(bool allOffers);

    SearchViewModel& m_viewModel;
    UserDefaults& m_defaults;
    CartStore& m_cart;

    OfferSortState m_sortState;
    OfferTableSettings m_settings;
    OffersSnapshot m_snapshot;
    std::optional<QString> m_copiedMessage;
    std::optional<QString> m_cartMessage;
    // The later of the two messages wins while both are present.
    bool m_cartMessageIsNewer = false;

    QLineEdit* m_field = nullptr;
    QPushButton* m_searchButton = nullptr;
    QLabel* m_durationIcon = nullptr;
    QLabel* m_durationText = nullptr;
    SheetSlot m_feedback;
    SheetSlot m_settingsSheet;
    SheetSlot m_cartSheet;
    SheetSlot m_batchSheet;
    SearchMoodView* m_mood = nullptr;
    QStackedWidget* m_pages = nullptr;
    QLabel* m_errorText = nullptr;
    QWidget* m_placeholder = nullptr;
    FirstRunView* m_firstRun = nullptr;
    QLabel* m_placeholderTitle = nullptr;
    QLabel* m_placeholderSubtitle = nullptr;
    QLabel* m_errorNote = nullptr;
    QLabel* m_resultIcon = nullptr;
    QLabel* m_resultText = nullptr;
    QLabel* m_noteText = nullptr;
    QShortcut* m_cancelShortcut = nullptr;
    StatusRowView* m_statusRow = nullptr;
    OfferTableModel* m_model = nullptr;
    OfferTableView* m_table = nullptr;
    NotificationOverlay* m_overlay = nullptr;
    QToolButton* m_exportButton = nullptr;
    SearchHistoryPopup* m_history = nullptr;
};
