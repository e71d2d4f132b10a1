#include "AutoligaTestSupport.h"
#include "core/SupplierPreferences.h"
#include "search/SearchViewModel.h"
#include "suppliers/autoeuro/AutoEuroClient.h"
#include "suppliers/autoeuro/AutoEuroProvider.h"
#include "support/OfferBuilder.h"

#include <QCoroTimer>
#include <QSignalSpy>

namespace {

// Autopiter's stand-in: five exact KNECHT matches, so the consensus brand is KNECHT.
class KnechtVoter final : public SupplierSearchProviding {
public:
    explicit KnechtVoter(QStringList& events)
        : m_events(events) {}
    const SupplierDescriptor& descriptor() const override { return SupplierDescriptors::autopiter(); }
    QCoro::Task<QList<SupplierOffer>> search(QString article) override {
        auto pause = QCoro::sleepFor(std::chrono::milliseconds(5));
        co_await std::move(pause);
        QList<SupplierOffer> offers;
        for (int i = 0; i < 5; ++i)
            offers.append(OfferBuilder(QStringLiteral("autopiter"), QString::number(i))
                              .brand(QStringLiteral("KNECHT"))
                              .article(article)
                              .name(QStringLiteral("Фильтр масляный")));
        m_events.append(QStringLiteral("autopiter end"));
        co_return offers;
    }

private:
    QStringList& m_events;
};

// AutoEuro and the portal against the sandbox, Autopiter the stand-in; the portal notes its start.
class SandboxConnectors final : public SearchConnectorFactory {
public:
    explicit SandboxConnectors(AutoligaSandbox& sandbox)
        : m_sandbox(sandbox)
        , m_autoEuro(sandbox.network, sandbox.credentials, sandbox.endpoints) {}

    QStringList events;

    std::unique_ptr<SupplierSearchProviding> makeAutoEuro() override {
        return std::make_unique<AutoEuroProvider>(m_autoEuro);
    }
    std::unique_ptr<SupplierSearchProviding> makeAutopiter() override { return std::make_unique<KnechtVoter>(events); }
    std::unique_ptr<PortalOfferSearching> makeAutoligaPortal() override { return std::make_unique<Portal>(*this); }

private:
    class Portal final : public PortalOfferSearching {
    public:
        explicit Portal(SandboxConnectors& owner)
            : m_owner(owner) {}
        QCoro::Task<QList<SupplierOffer>> search(QString article, QString brand) override {
            return m_owner.m_sandbox.portal.search(article, brand);
        }
        std::unique_ptr<PreparedPortalSearch> prepare() override {
            m_owner.events.append(QStringLiteral("portal sign-in"));
            return std::make_unique<Noted>(m_owner.events, m_owner.m_sandbox.portal.prepare());
        }

    private:
        SandboxConnectors& m_owner;
    };

    // The real prepared search, noting when its search step begins.
    class Noted final : public PreparedPortalSearch {
    public:
        Noted(QStringList& events, std::unique_ptr<PreparedPortalSearch> inner)
            : m_events(events)
            , m_inner(std::move(inner)) {}
        QCoro::Task<QList<SupplierOffer>> search(QString article, QString brand) override {
            m_events.append(QStringLiteral("portal search"));
            return m_inner->search(std::move(article), std::move(brand));
        }

    private:
        QStringList& m_events;
        std::unique_ptr<PreparedPortalSearch> m_inner;
    };

    AutoligaSandbox& m_sandbox;
    AutoEuroClient m_autoEuro;
};

} // namespace

class TestAutoligaSearchOrder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void portal_signsInAtOnce_searchesAfterTheOthers_withTheirConsensusBrand() {
        AutoligaSandbox sandbox;
        sandbox.credentials.set(QStringLiteral("autoeuro-api-key"), QString::fromUtf16(SandboxServer::autoEuroAPIKey));
        SupplierPreferences preferences(*sandbox.defaults);
        preferences.setAutoligaEnabled(true);
        SandboxConnectors connectors(sandbox);
        SearchViewModel model(preferences, connectors);

        QSignalSpy finished(&model, &SearchViewModel::searchFinished);
        model.setArticle(QStringLiteral("oc 90"));
        model.search();
        QVERIFY(finished.wait(30000));

        // The sign-in starts with the search; the portal's search step only after Autopiter ended,
        // and its request after every AutoEuro request.
        QCOMPARE(connectors.events, (QStringList{QStringLiteral("portal sign-in"), QStringLiteral("autopiter end"),
                                                 QStringLiteral("portal search")}));
        QCOMPARE(model.supplierFailures(), QStringList());

        const auto requests = sandbox.server.requests();
        const auto portalSearch = std::find_if(requests.begin(), requests.end(), [](const SandboxRequest& r) {
            return r.path.endsWith(u"/api/v2/client/search/");
        });
        QVERIFY(portalSearch != requests.end());
        QVERIFY(std::none_of(portalSearch, requests.end(),
                             [](const SandboxRequest& r) { return r.path.startsWith(u"/autoeuro/"); }));
        const auto search = sandbox.requestsTo(QStringLiteral("autoliga")).value(2);
        QCOMPARE(search.query.value(0), std::pair(QStringLiteral("article"), QStringLiteral("OC 90")));
        QCOMPARE(search.query.value(2), std::pair(QStringLiteral("brand"), QStringLiteral("KNECHT")));

        QSet<QString> suppliers;
        bool highlighted = false;
        for (const SupplierOffer& offer : model.offers()) {
            suppliers.insert(offer.supplierID);
            highlighted = highlighted || offer.rowHighlightColor == u"#F1DD18";
        }
        QCOMPARE(suppliers,
                 (QSet<QString>{QStringLiteral("autoeuro"), QStringLiteral("autopiter"), QStringLiteral("autoliga")}));
        QVERIFY(highlighted);
    }
};

QTEST_MAIN(TestAutoligaSearchOrder)
#include "tst_AutoligaSearchOrder.moc"
