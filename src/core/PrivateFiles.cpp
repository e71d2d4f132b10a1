#include "PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace PrivateFiles {

namespace {

constexpr QFile::Permissions kOwnerOnlyDirectory =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
constexpr QFile::Permissions kOwnerOnlyFile = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;

} // namespace

bool ensureDirectory(const QString& path, bool ours) {
    const QString target = QDir::cleanPath(QDir(path).absolutePath());
    // The folders this call makes, so that only they (and the target) are tightened: a parent
    // such as ~/.config that already exists keeps what the user gave it.
    QStringList made;
    for (QString dir = target; !dir.isEmpty() && !QFileInfo::exists(dir);) {
        made.prepend(dir);
        const QString parent = QFileInfo(dir).path();
        if (parent == dir)
            break;
        dir = parent;
    }
    if (!QDir().mkpath(target))
        return false;
    for (const QString& dir : std::as_const(made))
        QFile::setPermissions(dir, kOwnerOnlyDirectory);
    if (ours && QFile::permissions(target) != kOwnerOnlyDirectory)
        QFile::setPermissions(target, kOwnerOnlyDirectory);
    return true;
}

void restrict(const QString& filePath) {
    if (QFile::exists(filePath) && (QFile::permissions(filePath) & ~kOwnerOnlyFile))
        QFile::setPermissions(filePath, kOwnerOnlyFile);
}

} // namespace PrivateFiles
