#pragma once

#include "SandboxServer.h"

#include <httplib.h>

#include <QByteArray>

#include <chrono>
#include <functional>

// What the simulated services share: recording, latency and fault injection.
namespace SandboxHttp {

class Context {
public:
    virtual ~Context() = default;
    virtual SandboxBehaviour behaviourOf(ServiceEndpoints::Service service) const = 0;
    virtual void record(SandboxRequest request) = 0;
    // False when the server is stopping. A negative duration waits for the stop.
    virtual bool sleep(std::chrono::milliseconds duration) = 0;
    // How the offer with this key has moved since it was first served (never `mixed`).
    virtual SandboxDrift driftOf(const QString& offerKey) = 0;
    // The request being served came to this service on the connection it arrived on.
    virtual void noteConnectionUse(ServiceEndpoints::Service service) = 0;
    // An answer is ready to be sent.
    virtual void noteAnswerReady() = 0;
};

// The answer time of one request: the behaviour's operation whose key ends the path (or, for
// SOAP, is the operation's name), the longest such key; latencyMs when none fits.
int latencyOf(const SandboxBehaviour& behaviour, QStringView path, QStringView soapOperation);

// One stock line as it is served now.
struct ServedLine {
    int copies = 1; // 0: withdrawn
    double price = 0;
    std::int64_t stock = 0;
    int extraDays = 0;
};
ServedLine served(Context& context, const QString& offerKey, double price, std::int64_t stock);

// Path prefix of a service on the shared port ("autoeuro").
QString prefix(ServiceEndpoints::Service service);

// Query items of a target, decoded as a typical web server does ("+" is a space).
QList<std::pair<QString, QString>> queryItems(const std::string& target);
QString queryValue(const QList<std::pair<QString, QString>>& items, QStringView name);

void setBody(httplib::Response& response, const QByteArray& body, const char* contentType);

// Records the request, waits out the latency and applies a matching fault; calls
// `answer` only when the request is to be answered normally. `apiErrorBody` is the
// service's own way of saying "error" in a 200 answer.
void serve(Context& context, ServiceEndpoints::Service service, const httplib::Request& request,
           httplib::Response& response, const QByteArray& apiErrorBody,
           const std::function<void(const QList<std::pair<QString, QString>>&)>& answer);

} // namespace SandboxHttp
