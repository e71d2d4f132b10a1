#pragma once

#include <QString>
#include <QStringList>

class AppServices;

// orelia-cli credentials: which supplier credentials are set (never their values), for every
// supplier, the added ones too; setting or deleting one. A value is read from standard input only,
// so it never shows in a process list or shell history; on a terminal it is asked for without echo.
int credentialsCommand(AppServices& services, const QStringList& args);
QString credentialsHelpText();
