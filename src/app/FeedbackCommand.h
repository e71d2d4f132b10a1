#pragma once

#include <QString>
#include <QStringList>

class AppServices;

// orelia-cli feedback: sends what the window's feedback sheet sends, the message read
// from standard input. Exit 0 with the receipt, 1 refused or failed, 2 a command-line mistake.
int feedbackCommand(AppServices& services, QStringList args);
QString feedbackHelpText();
