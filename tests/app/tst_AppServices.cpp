#include "app/AppServices.h"
#include "cart/CartStore.h"
#include "search/SearchViewModel.h"
#include "support/OfferBuilder.h"
#include "support/SandboxServices.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <QTest>

using Service = ServiceEndpoints::Service;
Q_DECLARE_METATYPE(Service)

class AppServicesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void demoMode_keepsItsSettingsAndCartApart() {
        TestEnvironment env;
        AppServices::Options demoOptions;
        demoOptions.demo = true;
        {
            AppServices demo(demoOptions);
            QVERIFY(demo.isDemo());
            QVERIFY2(demo.userDefaults().fileName().contains(QStringLiteral("Orelia Demo")),
                     qPrintable(demo.userDefaults().fileName()));
            QVERIFY(demo.userDefaults().fileName().startsWith(env.home()));
            QVERIFY(demo.cartStore().add(OfferBuilder()));
        }
        AppServices normal(AppServices::Options{});
        QVERIFY(!normal.isDemo());
        QVERIFY(!normal.userDefaults().fileName().contains(QStringLiteral("Demo")));
        QVERIFY(normal.cartStore().items().isEmpty());
        // The demo cart is still there for the next demo run.
        AppServices demoAgain(demoOptions);
        QCOMPARE(demoAgain.cartStore().items().size(), 1);
    }

    // A supplier whose answers dribble in, a byte at a time, never trips a request's time-out;
    // its part of the search still ends with its budget, and the others' offers stand.
    void dribblingSupplier_endsWithItsBudget_data() {
        QTest::addColumn<Service>("service");
        QTest::addColumn<QString>("supplierID");
        QTest::addColumn<QString>("name");
        QTest::newRow("AutoEuro") << Service::autoEuro << QStringLiteral("autoeuro") << QStringLiteral("AutoEuro");
        QTest::newRow("Autopiter") << Service::autopiter << QStringLiteral("autopiter") << QStringLiteral("Autopiter");
        QTest::newRow("portal") << Service::autoligaPortal << QStringLiteral("autoliga") << QStringLiteral("Автолига");
    }
    void dribblingSupplier_endsWithItsBudget() {
        QFETCH(Service, service);
        QFETCH(QString, supplierID);
        QFETCH(QString, name);
        TestEnvironment env;
        SandboxServer sandbox;
        QVERIFY(sandbox.start());
        SandboxBehaviour dribbling;
        dribbling.fault = SandboxBehaviour::Fault::trickle;
        dribbling.trickleMs = 50;
        sandbox.setBehaviour(service, dribbling);
        AppServices::Options options;
        options.budgets.insert(service, std::chrono::milliseconds(1000));
        auto services = sandboxServices(env, sandbox.endpoints(), true, options);
        {
            SearchViewModel model(services->supplierPreferences(), services->searchConnectors());
            QSignalSpy finished(&model, &SearchViewModel::searchFinished);
            model.setArticle(QStringLiteral("OC 90"));
            model.search();
            QVERIFY(finished.wait(15000));
            QCOMPARE(model.supplierFailures(), QStringList{name + QStringLiteral(": не ответил за 1 с")});
            QSet<QString> answered;
            for (const SupplierOffer& offer : model.offers())
                answered.insert(offer.supplierID);
            QVERIFY(!answered.contains(supplierID));
            QCOMPARE(answered.size(), 2);
        }
        services.reset();
        sandbox.stop();
    }
};

QTEST_MAIN(AppServicesTest)
#include "tst_AppServices.moc"
