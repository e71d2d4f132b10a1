#pragma once

#include <QString>
#include <QStringList>

class AppServices;

// orelia-cli cart: lists the cart, adds an offer found by a search, re-checks one supplier's
// lines, removes lines, clears a supplier and changes quantities, as the cart window does.
int cartCommand(AppServices& services, QStringList args);
QString cartHelpText();
