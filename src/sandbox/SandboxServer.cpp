#include "SandboxServer.h"

#include "AbcpSandboxService.h"
#include "AutoEuroSandboxService.h"
#include "AutoligaPortalSandboxService.h"
#include "AutopiterSandboxService.h"
#include "FeedbackSandboxService.h"
#include "SandboxHttp.h"
#include "TradeSoftSandboxService.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Workers for connections: each open connection holds one for its whole life, idle or not, so
// there are more than a few clients with six connections each can hold at once.
constexpr size_t kWorkers = 48;

// The accepted connection the current worker serves; 0 outside of one.
thread_local quint64 t_connection = 0;

// The server's pool of workers, numbering the connections it is handed: every accepted
// connection is enqueued exactly once, so this counts connections whatever port they came from.
class CountingPool : public httplib::TaskQueue {
public:
    explicit CountingPool(std::atomic<quint64>& accepted)
        : m_accepted(accepted)
        , m_pool(kWorkers) {}

    void enqueue(std::function<void()> fn) override {
        const quint64 connection = ++m_accepted;
        m_pool.enqueue([connection, fn = std::move(fn)] {
            t_connection = connection;
            fn();
            t_connection = 0;
        });
    }
    void shutdown() override { m_pool.shutdown(); }

private:
    std::atomic<quint64>& m_accepted;
    httplib::ThreadPool m_pool;
};

} // namespace

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
    std::atomic<quint64> accepted{0};
    // Connection -> the service of its first request.
    QHash<quint64, ServiceEndpoints::Service> connectionService;
    std::chrono::steady_clock::time_point lastAnswerReady;

    void noteConnectionUse(ServiceEndpoints::Service service) override {
        std::lock_guard lock(mutex);
        if (t_connection != 0 && !connectionService.contains(t_connection))
            connectionService.insert(t_connection, service);
    }

    void noteAnswerReady() override {
        std::lock_guard lock(mutex);
        lastAnswerReady = std::chrono::steady_clock::now();
    }

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
    state.server.set_keep_alive_timeout(std::max(1, options.keepAliveSeconds));
    // As real servers do, a connection serves many requests (the library's default is five).
    state.server.set_keep_alive_max_count(1000);
    // Headers and body go out in separate writes; without this every answer on a reused
    // connection waits for the client's delayed acknowledgement (40 ms on Linux).
    state.server.set_tcp_nodelay(true);
    // Answers go out uncompressed. The library would compress them with Brotli at its highest
    // quality: tens of milliseconds of CPU per answer, far more than a real server spends. The
    // request is the library's own, not a const object, so dropping the header is sound.
    state.server.set_pre_routing_handler([](const httplib::Request& request, httplib::Response&) {
        const_cast<httplib::Request&>(request).headers.erase("Accept-Encoding");
        return httplib::Server::HandlerResponse::Unhandled;
    });
    state.server.new_task_queue = [&state] { return new CountingPool(state.accepted); };
    AutoEuroSandboxService::install(state.server, state);
    AutopiterSandboxService::install(state.server, state);
    FeedbackSandboxService::install(state.server, state);
    AutoligaPortalSandboxService::install(state.server, state);
    TradeSoftSandboxService::install(state.server, state);
    AbcpSandboxService::install(state.server, state);
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
    for (const S service : ServiceEndpoints::allServices)
        endpoints.setOrigin(service, origin(service));
    return endpoints;
}

QList<SandboxServer::DemoSupplier> SandboxServer::demoSuppliers() {
    // The shop's address is one a real shop could have: the demo sends every shop to the sandbox.
    return {{QStringLiteral("abcp"), QStringLiteral("Автомаркет Урал"),
             QStringLiteral("https://demo.public.api.abcp.ru/"), QString()},
            {QStringLiteral("tradesoft"), QStringLiteral("УралЗапчасть"), QString(),
             QString::fromUtf16(uralPartsProvider)}};
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

int SandboxServer::acceptedConnections() const {
    return static_cast<int>(m_state->accepted.load());
}

int SandboxServer::connectionsOpenedFor(ServiceEndpoints::Service service) const {
    std::lock_guard lock(m_state->mutex);
    int count = 0;
    for (const auto opened : std::as_const(m_state->connectionService))
        count += opened == service ? 1 : 0;
    return count;
}

std::chrono::steady_clock::time_point SandboxServer::lastAnswerReady() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->lastAnswerReady;
}
