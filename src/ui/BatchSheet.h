#pragma once

#include "batch/BatchReport.h"

#include <QDialog>
#include <QHash>

class BatchPricer;
class BatchResultModel;
class CartStore;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeView;
class UserDefaults;

// "Проценка списка": a list pasted or opened from a file is priced line by line with the
// window's search (the pricer keeps working while the sheet is closed and shows again when it
// is reopened). A progress bar counts the lines; the result shows the chosen offer of every
// line, expandable to all its offers (Enter or a double-click on one chooses it instead), with totals
// per supplier and overall, and goes into the cart or a workbook.
class BatchSheet : public QDialog {
    Q_OBJECT

public:
    BatchSheet(BatchPricer& pricer, UserDefaults& defaults, CartStore& cart, QWidget* parent = nullptr);

    QPlainTextEdit* inputField() const { return m_input; }
    QPushButton* startButton() const { return m_start; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* openFileButton() const { return m_openFile; }
    QPushButton* cartButton() const { return m_toCart; }
    QPushButton* exportButton() const { return m_export; }
    QComboBox* ruleBox() const { return m_rule; }
    QProgressBar* progressBar() const { return m_progress; }
    QLabel* issuesLabel() const { return m_issues; }
    QLabel* totalsLabel() const { return m_totals; }
    QLabel* messageLabel() const { return m_message; }
    QTreeView* resultView() const { return m_view; }
    BatchResultModel* resultModel() const { return m_model; }
    const BatchReport& report() const;

    // Parses the text and starts pricing it; input problems are listed above the result.
    void startPricing();
    // Puts the list of a text file or the first sheet of a workbook into the input.
    bool loadFile(const QString& path);
    void addToCart();
    // Saves the result as a workbook (".xlsx") or CSV; the error text when it failed.
    std::optional<QString> exportTo(const QString& path) const;

private:
    void refresh();
    void chooseFile();
    void chooseExportFile();
    void offerActivated(const QModelIndex& index);
    BestOfferRule rule() const;

    BatchPricer& m_pricer;
    UserDefaults& m_defaults;
    CartStore& m_cart;
    // Offers the user picked for lines, by line; reset with every new list.
    QHash<int, QString> m_chosen;

    QPlainTextEdit* m_input = nullptr;
    QPushButton* m_openFile = nullptr;
    QComboBox* m_rule = nullptr;
    QPushButton* m_start = nullptr;
    QLabel* m_issues = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    QTreeView* m_view = nullptr;
    BatchResultModel* m_model = nullptr;
    QLabel* m_totals = nullptr;
    QPushButton* m_toCart = nullptr;
    QPushButton* m_export = nullptr;
    QLabel* m_message = nullptr;
};
