#pragma once

#include <QMainWindow>

class CartStore;
class ContentView;
class QLabel;
class SearchConnectorFactory;
class SearchViewModel;
class SupplierPreferences;
class UserDefaults;

// The application's one window. It creates and owns the search view model for its whole
// life, shows the product name and tag line at its top, and holds the content view.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    static QString windowTitleText();
    static QString productName() { return QStringLiteral("Orelia"); }
    static QString tagLine() { return QStringLiteral("Результат проценки деталей ваших Поставщиков в одном окне"); }

    MainWindow(SupplierPreferences& preferences, SearchConnectorFactory& connectors, UserDefaults& defaults,
               CartStore& cart, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Marks the window as running on the built-in demo suppliers.
    void setDemoMode(bool demo);
    bool isDemoMode() const;

    SearchViewModel& viewModel() const { return *m_viewModel; }
    ContentView* contentView() const { return m_content; }
    QLabel* titleLabel() const { return m_title; }
    QLabel* demoMark() const { return m_demoMark; }

private:
    QWidget* makeHeader();

    SearchViewModel* m_viewModel;
    ContentView* m_content;
    QLabel* m_title = nullptr;
    QLabel* m_demoMark = nullptr;
};
