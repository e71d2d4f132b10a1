#include "SettingsLock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

SettingsLock::SettingsLock(const QString& settingsFile, std::chrono::milliseconds patience) {
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(lockFileName(settingsFile));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    // Others hold it for one read-modify-write, a few milliseconds; a process stopped while
    // holding it must not freeze this one for good.
    const QDeadlineTimer deadline(patience);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_fd = fd;
            return;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired())
            break;
        QThread::msleep(2);
    }
    ::close(fd);
#else
    Q_UNUSED(settingsFile);
    Q_UNUSED(patience);
    m_fd = 0; // other platforms: QSettings' own lock serialises the writes
#endif
}

SettingsLock::~SettingsLock() {
#ifdef Q_OS_UNIX
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
#endif
}
