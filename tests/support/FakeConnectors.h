#pragma once

#include "core/UserFacingError.h"
#include "search/SearchConnectors.h"

#include <QCoroSignal>
#include <QCoroTimer>
#include <QObject>
#include <QScopeGuard>
#include <QStringList>
#include <QTest>

#include <chrono>
#include <list>
#include <map>
#include <memory>
#include <optional>

// A door the test opens to let a fake supplier answer.
class Gate : public QObject {
    Q_OBJECT
public:
    void open() {
        m_open = true;
        Q_EMIT opened();
    }
    bool isOpen() const { return m_open; }
    void close() { m_open = false; }
Q_SIGNALS:
    void opened();

private:
    bool m_open = false;
};

// What one fake supplier answers, and the events all fakes record in order.
struct FakeSupplier {
    QList<SupplierOffer> offers;
    std::optional<QString> error;
    UserFacingError::Cause cause = UserFacingError::Cause::other;
    Gate* gate = nullptr;
    QStringList requests; // article (and "|brand" for the portal) of every call
    // The portal only: how its sign-in ("portal sign-in start/end", begun by prepare()) ends.
    std::optional<QString> signInError;
    // How long a search waits for this supplier.
    std::chrono::milliseconds budget{30000};
};

class FakeConnectorFactory : public SearchConnectorFactory {
public:
    FakeSupplier autoEuro;
    FakeSupplier autopiter;
    FakeSupplier portal;
    // The suppliers the buyer added, by id.
    std::map<QString, FakeSupplier> accounts;
    QStringList events;
    // What withoutCredentials() answers, of the suppliers it is asked about.
    QStringList withoutAccount;

    // Answers still under way end before the fakes go: a coroutine left waiting on a timer that
    // never fires again would stay allocated (and be reported as a leak). One waiting on a gate
    // the test never opens is the test's to open.
    ~FakeConnectorFactory() override {
        (void)QTest::qWaitFor([this] { return m_running == 0; }, 2000);
    }

    std::unique_ptr<SupplierSearchProviding> makeAutoEuro() override {
        return std::make_unique<Provider>(*this, autoEuro, SupplierDescriptors::autoEuro());
    }
    std::unique_ptr<SupplierSearchProviding> makeAutopiter() override {
        return std::make_unique<Provider>(*this, autopiter, SupplierDescriptors::autopiter());
    }
    std::unique_ptr<PortalOfferSearching> makeAutoligaPortal() override { return std::make_unique<Portal>(*this); }
    std::vector<std::unique_ptr<SupplierSearchProviding>>
    makeAccountProviders(const QList<SupplierAccount>& added) override {
        std::vector<std::unique_ptr<SupplierSearchProviding>> providers;
        for (const SupplierAccount& account : added) {
            m_descriptors.push_back({account.id, account.name, {}, {}, false});
            providers.push_back(std::make_unique<Provider>(*this, accounts[account.id], m_descriptors.back()));
        }
        return providers;
    }
    QCoro::Task<QStringList> withoutCredentials(QStringList supplierIDs) override {
        QStringList missing;
        for (const QString& id : supplierIDs) {
            if (withoutAccount.contains(id))
                missing.append(id);
        }
        co_return missing;
    }

private:
    int m_running = 0;
    std::list<SupplierDescriptor> m_descriptors;

    // Like a real exchange, an answer never arrives within the call.
    static QCoro::Task<> pass(Gate* gate) {
        if (gate && !gate->isOpen()) {
            auto opened = qCoro(gate, &Gate::opened);
            co_await std::move(opened);
        } else {
            auto pause = QCoro::sleepFor(std::chrono::milliseconds(1));
            co_await std::move(pause);
        }
    }

    static QCoro::Task<QList<SupplierOffer>> answer(FakeConnectorFactory& factory, FakeSupplier& supplier,
                                                    QString name) {
        ++factory.m_running;
        const auto running = qScopeGuard([&factory] { --factory.m_running; });
        factory.events.append(name + QStringLiteral(" start"));
        auto passed = pass(supplier.gate);
        co_await std::move(passed);
        factory.events.append(name + QStringLiteral(" end"));
        if (supplier.error)
            throw PlainUserFacingError(*supplier.error, supplier.cause);
        // A named copy: GCC 12 moves from `co_return supplier.offers`, emptying the fake's list.
        QList<SupplierOffer> answer = supplier.offers;
        co_return answer;
    }

    class Provider : public SupplierSearchProviding {
    public:
        Provider(FakeConnectorFactory& f, FakeSupplier& s, const SupplierDescriptor& d)
            : m_factory(f)
            , m_supplier(s)
            , m_descriptor(d) {}
        const SupplierDescriptor& descriptor() const override { return m_descriptor; }
        QCoro::Task<QList<SupplierOffer>> search(QString article) override {
            m_supplier.requests.append(article);
            return answer(m_factory, m_supplier, m_descriptor.id);
        }
        std::chrono::milliseconds searchBudget() const override { return m_supplier.budget; }

    private:
        FakeConnectorFactory& m_factory;
        FakeSupplier& m_supplier;
        const SupplierDescriptor& m_descriptor;
    };

    // A sign-in that runs on its own; its error waits for the search step.
    struct SignIn {
        Gate finished;
        std::optional<QString> error;
    };

    static QCoro::Task<> signIn(FakeConnectorFactory& factory, std::shared_ptr<SignIn> state) {
        ++factory.m_running;
        const auto running = qScopeGuard([&factory] { --factory.m_running; });
        factory.events.append(QStringLiteral("portal sign-in start"));
        auto passed = pass(nullptr);
        co_await std::move(passed);
        factory.events.append(QStringLiteral("portal sign-in end"));
        state->error = factory.portal.signInError;
        state->finished.open();
    }

    class Prepared : public PreparedPortalSearch {
    public:
        Prepared(FakeConnectorFactory& f, std::shared_ptr<SignIn> state)
            : m_factory(f)
            , m_state(std::move(state)) {}
        QCoro::Task<QList<SupplierOffer>> search(QString article, QString brand) override {
            return afterSignIn(m_factory, m_state, article + u'|' + brand);
        }

    private:
        static QCoro::Task<QList<SupplierOffer>> afterSignIn(FakeConnectorFactory& factory,
                                                             std::shared_ptr<SignIn> state, QString request) {
            if (!state->finished.isOpen()) {
                auto finished = qCoro(&state->finished, &Gate::opened);
                co_await std::move(finished);
            }
            if (state->error)
                throw PlainUserFacingError(*state->error);
            factory.portal.requests.append(request);
            auto search = answer(factory, factory.portal, QStringLiteral("portal"));
            co_return co_await std::move(search);
        }

        FakeConnectorFactory& m_factory;
        std::shared_ptr<SignIn> m_state;
    };

    class Portal : public PortalOfferSearching {
    public:
        explicit Portal(FakeConnectorFactory& f)
            : m_factory(f) {}
        // The answer holds what it needs: the prepared search may go at once.
        QCoro::Task<QList<SupplierOffer>> search(QString article, QString brand) override {
            return prepare()->search(std::move(article), std::move(brand));
        }
        std::unique_ptr<PreparedPortalSearch> prepare() override {
            auto state = std::make_shared<SignIn>();
            signIn(m_factory, state);
            return std::make_unique<Prepared>(m_factory, state);
        }
        std::chrono::milliseconds searchBudget() const override { return m_factory.portal.budget; }

    private:
        FakeConnectorFactory& m_factory;
    };
};
