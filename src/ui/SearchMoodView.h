#pragma once

#include <QStringList>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>

class QPainterPath;

// The small tail of the mood line's speech bubble, pointing left from the bubble's lower left.
namespace SpeechTail {
QPainterPath path(const QRectF& bubble);
}

// Keeps the user company while a search runs: a speech bubble with one of thirty phrases
// followed by one to three dots. The phrase changes every 4.5 s (fading in over 0.35 s,
// ease-in-out), the dots every 0.55 s. Starts again from the first phrase with one dot at
// every search.
class SearchMoodView : public QWidget {
    Q_OBJECT

public:
    static constexpr int phraseIntervalMs = 4500;
    static constexpr int dotIntervalMs = 550;
    static constexpr int phraseFadeMs = 350;

    explicit SearchMoodView(QWidget* parent = nullptr);

    static const QStringList& phrases();

    void start();
    void stop();
    bool isRunning() const { return m_phraseTimer.isActive(); }

    int phraseIndex() const { return m_phraseIndex; }
    int dotCount() const { return m_dotCount; }
    // The phrase with its dots, as drawn.
    QString text() const;

    // One tick of each timer (also what the timers call).
    void advancePhrase();
    void advanceDots();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF bubbleRect() const;

    QTimer m_phraseTimer;
    QTimer m_dotTimer;
    QVariantAnimation m_fade;
    int m_phraseIndex = 0;
    int m_dotCount = 1;
};
