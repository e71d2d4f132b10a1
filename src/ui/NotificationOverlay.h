#pragma once

#include <QWidget>

#include <optional>

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

    // What was copied, and what the cart did: each shown for a moment (the later one while both
    // stand), each cleared `clearanceMs` after it was set, whatever the message is by then.
    static constexpr int clearanceMs = 1400;
    void showCopied(const QString& message);
    void showCartNotice(const QString& message);
    std::optional<QString> copiedMessage() const { return m_copied; }
    std::optional<QString> cartMessage() const { return m_cart; }

    // Keeps the box at its place after the parent changed size.
    void reposition();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void notice(std::optional<QString>& slot, const QString& message, bool cart);
    void showNewest();

    QString m_message;
    std::optional<QString> m_copied;
    std::optional<QString> m_cart;
    bool m_cartIsNewer = false;
};
