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
            m_owner.events.append(QStringLiteral("portal start"));
            return m_owner.m_sandbox.portal.search(article, brand);
        }

    private:
        SandboxConnectors& m_owner;
    };

    AutoligaSandbox& m_sandbox;
    AutoEuroClient m_autoEuro;
};

} // namespace

class TestAutoligaSearchOrder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void portal_isAskedAfterTheOthers_withTheirConsensusBrand() {
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

        // Autopiter ended before the portal started; every AutoEuro request came before the portal's first.
        QCOMPARE(connectors.events, (QStringList{QStringLiteral("autopiter end"), QStringLiteral("portal start")}));
        QCOMPARE(model.supplierFailures(), QStringList());

        const auto requests = sandbox.server.requests();
        const auto firstPortal = std::find_if(requests.begin(), requests.end(),
                                              [](const SandboxRequest& r) { return r.path.startsWith(u"/autoliga/"); });
        QVERIFY(firstPortal != requests.end());
        QVERIFY(std::none_of(firstPortal, requests.end(),
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
