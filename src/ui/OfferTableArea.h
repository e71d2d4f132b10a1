#pragma once

#include "export/ExportTable.h"
#include "offertable/OfferSortOrder.h"
#include "offertable/OffersSnapshot.h"

#include <QElapsedTimer>
#include <QWidget>

#include <optional>

class CartStore;
class FiltersBarView;
class OfferTableModel;
class OfferTableView;
class QLabel;
class QTimer;
class QToolButton;
class StatusRowView;
class UserDefaults;

// What the window shows after a search that found offers: the line saying what the rows are
// (with export), the status row, the filters bar and the offer table. Owns the table's view state
// (sort order, useful or all offers, the filters, column widths and hidden columns; the filters
// and columns are kept in the settings) and works the rows out anew from the offers whenever
// they or the state change.
class OfferTableArea : public QWidget {
    Q_OBJECT

public:
    OfferTableArea(UserDefaults& defaults, CartStore& cart, QWidget* parent = nullptr);

    // The offers of the last search and the article they belong to. While a search runs
    // (`arriving`), the row under the keyboard focus or the pointer keeps its place on screen
    // and the rows new since the last call are tinted for a moment.
    void setOffers(const QList<SupplierOffer>& offers, const QString& searchedArticle, bool arriving = false);
    // Recomputes the rows and the status row (also the stored markup, which the settings change).
    void refresh();
    // What the rows are ("OC 90 — найдено предложений: 5"), with a mark when a supplier is missing
    // from them, and the note on a changed article.
    void showResultLine(const QString& status, const QString& searchedArticle, bool supplierMissing,
                        const QString& note);
    // The rows as shown, or every offer of the search, for a file.
    QList<ExportTable> exportTables(bool allOffers) const;
    // A header click or its shortcut: sorts by the column if it is sortable.
    void sortBy(int column);

    // Puts the value on the clipboard.
    void copyValue(const QString& value);
    // Puts the displayed row's eight values on the clipboard, tab-separated.
    void copyRow(int row);
    // Puts the displayed rows on the clipboard as a spreadsheet takes them: a header line, then
    // a line per row, tab-separated, prices with the markup as numbers with a decimal comma.
    void copyRows(const QList<int>& rows);
    // Saves the rows as shown, or every offer of the search, as a workbook (".xlsx") or CSV;
    // the error text when it could not be saved.
    std::optional<QString> exportOffers(bool allOffers, const QString& path);
    // Adds the displayed row's offer to the cart and says whether it was new.
    void addToCart(int row);

    // The divider's caption: "Остальные предложения — по столбцу «Цена» ▲".
    QString dividerCaption() const;

    const OffersSnapshot& snapshot() const { return m_snapshot; }
    const OfferTableSettings& tableSettings() const { return m_settings; }
    const OfferSortState& sortState() const { return m_sortState; }
    StatusRowView* statusRow() const { return m_statusRow; }
    FiltersBarView* filtersBar() const { return m_filters; }
    OfferTableView* tableView() const { return m_table; }
    OfferTableModel* tableModel() const { return m_model; }
    QLabel* resultLine() const { return m_resultText; }
    QLabel* resultWarningMark() const { return m_resultIcon; }
    QLabel* articleNoteLabel() const { return m_noteText; }
    QToolButton* exportButton() const { return m_exportButton; }

    // Where dragged column widths and hidden columns are kept.
    static const QString columnWidthsKey;
    static const QString hiddenColumnsKey;

Q_SIGNALS:
    // What was copied or saved ("Скопировано: …"), and what the cart did with an offer.
    void copied(const QString& message);
    void cartNotice(const QString& message);
    void markupClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* makeResultLine();
    void chooseExportFile(bool allOffers);
    void connectFilters();
    void loadColumns();
    void saveColumnWidths();
    void saveHiddenColumns();
    // The row the buyer is at: the current one while the table has the focus, else the one under
    // the pointer while it is being moved there; its offer and its place in the viewport. A pointer
    // merely resting over the table holds nothing: the cheapest rows then stay at the top.
    struct Anchor {
        QString offerID;
        int top = 0;
        bool current = false;
    };
    std::optional<Anchor> anchor() const;
    void keepInPlace(const Anchor& anchor);

    UserDefaults& m_defaults;
    CartStore& m_cart;
    QList<SupplierOffer> m_offers;
    QString m_searchedArticle;
    OfferSortState m_sortState;
    OfferTableSettings m_settings;
    OffersSnapshot m_snapshot;

    QLabel* m_resultIcon = nullptr;
    QLabel* m_resultText = nullptr;
    QLabel* m_noteText = nullptr;
    QToolButton* m_exportButton = nullptr;
    StatusRowView* m_statusRow = nullptr;
    FiltersBarView* m_filters = nullptr;
    OfferTableModel* m_model = nullptr;
    OfferTableView* m_table = nullptr;
    QTimer* m_arrivedFade = nullptr;
    // Since the pointer last moved over the rows.
    QElapsedTimer m_pointerMoved;
};
