#pragma once

#include <QString>

class QLabel;
class QLayout;
class QProgressBar;
class QPushButton;
class QWidget;

// Pieces the settings sheets share.
namespace SettingsWidgets {

// Where this build keeps secrets, as the sheets name it after "в": "macOS Keychain",
// "системном хранилище паролей (Secret Service)", "диспетчере учётных данных Windows";
// in the demo mode the program's own memory.
QString credentialStoreName(bool demo);

// Title on the left, "Закрыть" on the right; the button rejects `sheet`.
QLayout* header(QWidget* sheet, const QString& title, QPushButton** closeButton = nullptr);
// A "Как подключить" button that shows and hides the steps under it.
QWidget* howToConnect(QWidget* parent, const QString& steps);
// Selectable status text.
QLabel* statusLabel(QWidget* parent);
// Shown green for a success and red for a failure; plain otherwise.
void showStatus(QLabel* label, const QString& text, int success /* 1 yes, 0 no, -1 neither */);
// A small busy bar, hidden until a check runs.
QProgressBar* busyIndicator(QWidget* parent);

} // namespace SettingsWidgets
