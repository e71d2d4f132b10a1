#pragma once

#include <QWidget>

#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

// The bar at the window's top: the article field, "Найти" (or "Отменить" while a search runs),
// the last search's duration, and the buttons of the list, feedback, settings and cart sheets.
// In a narrow window the buttons wrap onto a row of their own rather than widen the window.
class SearchBarView : public QWidget {
    Q_OBJECT

public:
    explicit SearchBarView(QWidget* parent = nullptr);

    // The key that opens the cart, named in its button's tooltip.
    static QKeySequence cartShortcut();

    QLineEdit* field() const { return m_field; }
    QPushButton* searchButton() const { return m_searchButton; }
    QLabel* durationLabel() const { return m_durationText; }
    QPushButton* batchButton() const { return m_batch; }
    QPushButton* feedbackButton() const { return m_feedback; }
    QPushButton* settingsButton() const { return m_settings; }
    QPushButton* cartButton() const { return m_cart; }

    void setLoading(bool loading);
    // "Поиск: 2,4 с"; hidden when empty.
    void setDuration(const QString& text);
    void setCartCount(std::int64_t count);

private:
    QLineEdit* m_field;
    QPushButton* m_searchButton;
    QLabel* m_durationIcon;
    QLabel* m_durationText;
    QPushButton* m_batch;
    QPushButton* m_feedback;
    QPushButton* m_settings;
    QPushButton* m_cart;
};
