#pragma once

#include "batch/BatchReport.h"

#include <QDialog>

class BatchPricer;
class BatchResultModel;
class CartStore;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeView;
class UserDefaults;

// "Проценка списка": a list pasted or opened from a file is priced line by line with the
// window's search (the pricer keeps working while the sheet is closed and shows again when it
// is reopened). A progress bar counts the lines; the result shows the state and chosen offer of
// every line, expandable to all its offers (a click or Enter on one chooses it instead; those
// picks survive pricing again), with totals per supplier and overall, and goes into the cart or
// a workbook. How offers are chosen (the rule, analogues, a delivery limit, enough stock) is set
// above the result and applies at once, without searching again.
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
    QCheckBox* analoguesBox() const { return m_analogues; }
    QLineEdit* maxDaysField() const { return m_maxDays; }
    QCheckBox* enoughStockBox() const { return m_enoughStock; }
    QPushButton* remainingButton() const { return m_remaining; }
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
    void choiceChanged();
    void showChoice(const BatchChoice& choice);

    BatchPricer& m_pricer;
    UserDefaults& m_defaults;
    CartStore& m_cart;
    QPlainTextEdit* m_input = nullptr;
    QPushButton* m_openFile = nullptr;
    QComboBox* m_rule = nullptr;
    QCheckBox* m_analogues = nullptr;
    QLineEdit* m_maxDays = nullptr;
    QCheckBox* m_enoughStock = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_remaining = nullptr;
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
