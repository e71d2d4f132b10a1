#pragma once

#include <QString>

// The application's name and version as built.
namespace AppVersion {

// "Orelia": also the settings organisation and the window class.
QString applicationName();
// The reverse-DNS id the desktop entry, icon and AppStream data are installed under.
QString desktopFileId();
// "0.1.0"; empty when the build did not say.
QString version();
// The short commit of the sources the build was configured from; empty without git.
QString build();

// "0.1.0 (3f9c2ab)"; a missing part is an em dash: "0.1.0 (—)".
QString displayText();
QString displayText(const QString& version, const QString& build);
// "Orelia 0.1.0 (3f9c2ab)", what both programs print for --version.
QString versionLine();

} // namespace AppVersion
