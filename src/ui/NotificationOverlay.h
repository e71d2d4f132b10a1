#pragma once

#include <QWidget>

// A short message in a rounded translucent box, centred 16 points above the bottom edge
// of its parent and drawn over everything; it lets the pointer through. Hidden while
// there is no message.
class NotificationOverlay : public QWidget {
    Q_OBJECT

public:
    static constexpr int bottomMargin = 16;
    static constexpr int paddingH = 14;
    static constexpr int paddingV = 8;

    explicit NotificationOverlay(QWidget* parent);

    // A null or empty message hides the box.
    void setMessage(const QString& message);
    QString message() const { return m_message; }

    // Keeps the box at its place after the parent changed size.
    void reposition();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_message;
};
