#pragma once

#include <QString>

// Files that hold the buyer's data (settings with the cart and history, the timing log) are
// readable by the buyer alone, whatever the umask: folders 0700, files 0600.
namespace PrivateFiles {

// Creates the folder with its missing parents; the folders made here end up 0700, and so does
// the folder itself when `ours` (a folder only Orelia keeps, never one such as /tmp that others
// share). False when it cannot be made.
bool ensureDirectory(const QString& path, bool ours = true);
// Makes an existing file 0600 (when it is not already).
void restrict(const QString& filePath);

} // namespace PrivateFiles
