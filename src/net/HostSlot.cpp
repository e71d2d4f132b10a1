#include "HostSlot.h"

#include "Http.h"

#include <QCoroSignal>
#include <QHash>
#include <QNetworkAccessManager>

#include <deque>

namespace Http {

// One waiting request; granted() fires (queued) once it may be sent.
class DispatchTicket : public QObject {
    Q_OBJECT
public:
    bool granted = false;
Q_SIGNALS:
    void grantedSignal();
};

// Hands out at most maxRequestsPerHost slots per host for one manager. Qt queues extra
// requests itself, but its transfer clock already runs while they wait; here they wait
// without a clock and are sent in the order they came.
class DispatchQueue : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    static DispatchQueue* of(QNetworkAccessManager& manager) {
        auto* queue = manager.findChild<DispatchQueue*>(QString(), Qt::FindDirectChildrenOnly);
        return queue ? queue : new DispatchQueue(&manager);
    }

    // True when a slot was free and is now taken; otherwise the ticket waits in line.
    bool takeOrWait(const QString& host, const std::shared_ptr<DispatchTicket>& ticket) {
        Host& h = m_hosts[host];
        if (h.active < maxRequestsPerHost) {
            ++h.active;
            ticket->granted = true;
            return true;
        }
        h.waiting.push_back(ticket);
        return false;
    }

    void release(const QString& host) {
        Host& h = m_hosts[host];
        --h.active;
        while (!h.waiting.empty()) {
            std::shared_ptr<DispatchTicket> next = h.waiting.front();
            h.waiting.pop_front();
            if (next.use_count() == 1)
                continue; // its request is gone
            ++h.active;
            next->granted = true;
            QMetaObject::invokeMethod(
                next.get(), [next] { Q_EMIT next->grantedSignal(); }, Qt::QueuedConnection);
            break;
        }
        if (h.active == 0 && h.waiting.empty())
            m_hosts.remove(host);
    }

    void forget(const QString& host, const std::shared_ptr<DispatchTicket>& ticket) {
        auto it = m_hosts.find(host);
        if (it == m_hosts.end())
            return;
        std::erase(it->waiting, ticket);
    }

private:
    struct Host {
        int active = 0;
        std::deque<std::shared_ptr<DispatchTicket>> waiting;
    };
    QHash<QString, Host> m_hosts;
};

HostSlot::HostSlot(QNetworkAccessManager& manager, QString host)
    : m_queue(DispatchQueue::of(manager))
    , m_host(std::move(host))
    , m_ticket(std::make_shared<DispatchTicket>()) {}

HostSlot::~HostSlot() {
    if (!m_queue)
        return;
    if (m_ticket->granted)
        m_queue->release(m_host);
    else
        m_queue->forget(m_host, m_ticket);
}

QCoro::Task<> HostSlot::acquire() {
    if (m_queue->takeOrWait(m_host, m_ticket))
        co_return;
    auto granted = qCoro(m_ticket.get(), &DispatchTicket::grantedSignal);
    co_await std::move(granted);
}

} // namespace Http

#include "HostSlot.moc"
