#include "FirstPaintProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <ctime>

namespace {

long residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// The widgets paint and flush while their window handles its first exposure; the line goes
// out from the event loop right after that.
class Probe : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto* window = qobject_cast<QWindow*>(watched);
        if (event->type() == QEvent::Expose && window && window->isExposed() && !m_done) {
            m_done = true;
            QTimer::singleShot(0, this, [] {
                FirstPaintProbe::report();
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    bool m_done = false;
};

} // namespace

namespace FirstPaintProbe {

void installFromEnvironment(QWidget& window) {
    if (qEnvironmentVariableIsEmpty("ORELIA_FIRST_PAINT_PROBE"))
        return;
    window.winId(); // makes the native window, so that its events can be watched
    window.windowHandle()->installEventFilter(new Probe(&window));
}

void report() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("first-paint %lld %ld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec,
                residentKiB());
    std::fflush(stdout);
}

} // namespace FirstPaintProbe
