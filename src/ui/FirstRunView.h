#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// What the window shows while no supplier that is switched on has an account stored: how to
// start, instead of one error per supplier. Connect a supplier in the settings, or look around in
// the demo mode first.
class FirstRunView : public QWidget {
    Q_OBJECT

public:
    explicit FirstRunView(QWidget* parent = nullptr);

    QLabel* titleLabel() const { return m_title; }
    QPushButton* settingsButton() const { return m_settings; }
    QPushButton* demoButton() const { return m_demo; }

Q_SIGNALS:
    void settingsRequested();
    void demoRequested();

private:
    QLabel* m_title = nullptr;
    QPushButton* m_settings = nullptr;
    QPushButton* m_demo = nullptr;
};
