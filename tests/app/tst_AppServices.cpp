#include "app/AppServices.h"
#include "cart/CartStore.h"
#include "support/OfferBuilder.h"
#include "support/TestEnvironment.h"

#include <QTest>

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
};

QTEST_MAIN(AppServicesTest)
#include "tst_AppServices.moc"
