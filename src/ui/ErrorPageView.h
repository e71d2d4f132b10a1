#pragma once

#include <QWidget>

class QLabel;

// What the window shows when the search found nothing because the suppliers failed: a warning
// mark with their messages (selectable), and the note on a changed article under them.
class ErrorPageView : public QWidget {
    Q_OBJECT

public:
    explicit ErrorPageView(QWidget* parent = nullptr);

    void showError(const QString& message, const QString& note);
    QLabel* errorLabel() const { return m_text; }

private:
    QLabel* m_text;
    QLabel* m_note;
};
