#pragma once

#include <QString>
#include <QStringList>

class AppServices;

// orelia-cli credentials: which secrets are stored (never their values), storing one read from
// standard input, deleting one; for every supplier, the added ones too.
int credentialsCommand(AppServices& services, const QStringList& args);
QString credentialsHelpText();
