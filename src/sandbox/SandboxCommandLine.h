#pragma once

#include "SandboxServer.h"

#include <QStringList>

#include <optional>

// The orelia-sandbox command line, as options for SandboxServer.
namespace SandboxCommandLine {

QString helpText();
// The accounts the simulated services accept.
QString demoAccountsText();
// Nothing, with *error set, when the arguments (without the program name) are not valid.
// The arguments change `defaults` where they say so.
std::optional<SandboxOptions> parse(const QStringList& arguments, QString* error, SandboxOptions defaults = {});

} // namespace SandboxCommandLine
