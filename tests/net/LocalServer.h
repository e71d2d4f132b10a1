#pragma once

#include <QString>
#include <QUrl>

#include <httplib.h>

#include <functional>
#include <thread>

// An HTTP server on 127.0.0.1 for one test, on a thread of its own, serving the routes the
// test gives it. Whoever talks to it must close its connections before it is destroyed, so
// that the server's workers end at once.
class LocalServer {
public:
    explicit LocalServer(const std::function<void(httplib::Server&)>& routes) {
        routes(m_server);
        m_server.set_keep_alive_timeout(1);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~LocalServer() {
        m_server.stop();
        m_thread.join();
    }

    QUrl url(const QString& path = {}) const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port) + path); }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
};
