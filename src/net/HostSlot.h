#pragma once

#include <QCoroTask>
#include <QPointer>
#include <QString>

#include <memory>

class QNetworkAccessManager;

namespace Http {

class DispatchQueue;
class DispatchTicket;

// A request's place among the requests to one host of one manager, at most
// maxRequestsPerHost at a time, in the order they came; given back however the exchange ends.
// Qt queues extra requests itself, but its transfer clock already runs while they wait.
class HostSlot {
public:
    HostSlot(QNetworkAccessManager& manager, QString host);
    HostSlot(const HostSlot&) = delete;
    HostSlot& operator=(const HostSlot&) = delete;
    ~HostSlot();

    QCoro::Task<> acquire();

private:
    QPointer<DispatchQueue> m_queue;
    QString m_host;
    std::shared_ptr<DispatchTicket> m_ticket;
};

} // namespace Http
