#include "SandboxServer.h"

#include "AutoEuroSandboxService.h"
#include "AutoligaPortalSandboxService.h"
#include "AutopiterSandboxService.h"
#include "FeedbackSandboxService.h"
#include "SandboxHttp.h"
#include "TradeSoftSandboxService.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

struct SandboxServer::State : SandboxHttp::Context {
    httplib::Server server;
    std::thread thread;
    int port = 0;

    mutable std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    QHash<ServiceEndpoints::Service, SandboxBehaviour> behaviour;
    QList<SandboxRequest> requests;
    SandboxDrift drift = SandboxDrift::none;
    QHash<QString, std::chrono::steady_clock::time_point> firstServed;

    SandboxDrift driftOf(const QString& offerKey) override {
        std::lock_guard lock(mutex);
        const auto now = std::chrono::steady_clock::now();
        const auto first = firstServed.constFind(offerKey);
        if (first == firstServed.cend()) {
            firstServed.insert(offerKey, now);
            return SandboxDrift::none;
        }
        if (drift != SandboxDrift::mixed)
            return drift;
        if (now - *first < std::chrono::seconds(2))
            return SandboxDrift::none;
        static constexpr SandboxDrift kinds[] = {SandboxDrift::none,      SandboxDrift::priceMoved,
                                                 SandboxDrift::stockGone, SandboxDrift::none,
                                                 SandboxDrift::withdrawn, SandboxDrift::deliveryChanged};
        std::uint32_t hash = 2166136261u;
        for (const QChar c : offerKey)
            hash = (hash ^ c.unicode()) * 16777619u;
        return kinds[hash % std::size(kinds)];
    }

    SandboxBehaviour behaviourOf(ServiceEndpoints::Service service) const override {
        std::lock_guard lock(mutex);
        return behaviour.value(service);
    }

    void record(SandboxRequest request) override {
        std::lock_guard lock(mutex);
        requests.append(std::move(request));
    }

    bool sleep(std::chrono::milliseconds duration) override {
        std::unique_lock lock(mutex);
        if (duration.count() < 0) {
            wake.wait(lock, [&] { return stopping; });
            return false;
        }
        return !wake.wait_for(lock, duration, [&] { return stopping; });
    }
};

SandboxServer::SandboxServer()
    : m_state(std::make_unique<State>()) {}

SandboxServer::~SandboxServer() {
    stop();
}

bool SandboxServer::start(const SandboxOptions& options) {
    stop();
    m_state = std::make_unique<State>();
    State& state = *m_state;
    state.behaviour = options.behaviour;
    state.drift = options.drift;
    // Idle keep-alive connections hold a worker each; a short timeout lets stop() end soon.
    state.server.set_keep_alive_timeout(1);
    // Every connection holds a worker while it lives: enough of them for a fan-out of each
    // service at once, with some hanging.
    state.server.new_task_queue = [] { return new httplib::ThreadPool(48); };
    AutoEuroSandboxService::install(state.server, state);
    AutopiterSandboxService::install(state.server, state);
    FeedbackSandboxService::install(state.server, state);
    AutoligaPortalSandboxService::install(state.server, state);
    TradeSoftSandboxService::install(state.server, state);
    const std::string host = "127.0.0.1";
    if (options.port == 0) {
        state.port = state.server.bind_to_any_port(host);
        if (state.port <= 0)
            return false;
    } else {
        if (!state.server.bind_to_port(host, options.port))
            return false;
        state.port = options.port;
    }
    state.thread = std::thread([&state] { state.server.listen_after_bind(); });
    // stop() is a no-op until the server runs; wait so that an early stop is not lost.
    while (!state.server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void SandboxServer::stop() {
    if (!m_state || !m_state->thread.joinable())
        return;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
    }
    m_state->wake.notify_all();
    m_state->server.stop();
    m_state->thread.join();
}

int SandboxServer::port() const {
    return m_state->port;
}

QUrl SandboxServer::origin(ServiceEndpoints::Service service) const {
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(m_state->port);
    url.setPath(u'/' + SandboxHttp::prefix(service));
    return url;
}

ServiceEndpoints SandboxServer::endpoints() const {
    ServiceEndpoints endpoints;
    using S = ServiceEndpoints::Service;
    for (const S service : {S::autoEuro, S::autopiter, S::tradeSoft, S::autoligaPortal, S::feedback})
        endpoints.setOrigin(service, origin(service));
    return endpoints;
}

void SandboxServer::setBehaviour(ServiceEndpoints::Service service, const SandboxBehaviour& behaviour) {
    std::lock_guard lock(m_state->mutex);
    m_state->behaviour.insert(service, behaviour);
}

void SandboxServer::setDrift(SandboxDrift drift) {
    std::lock_guard lock(m_state->mutex);
    m_state->drift = drift;
}

QList<SandboxRequest> SandboxServer::requests() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->requests;
}

void SandboxServer::clearRequests() {
    std::lock_guard lock(m_state->mutex);
    m_state->requests.clear();
}
