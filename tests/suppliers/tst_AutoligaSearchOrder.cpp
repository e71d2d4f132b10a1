#include "app/AppServices.h"
#include "core/SupplierPreferences.h"
#include "search/SearchViewModel.h"
#include "SupplierTestSupport.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;

class TestAutoligaSearchOrder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The whole road: the view model asks every supplier through AppServices' connectors, all
    // answering from the sandbox. One of AutoEuro's brands fails, which costs only its own
    // offers and is reported next to them; the portal asks with the brand the others agree on.
    void searchViewModel_asksEverySupplier_andThePortalWithTheirBrand() {
        TestEnvironment environment;
        SupplierSandbox sandbox;
        sandbox.setFault(Service::autoEuro, Fault::status, u"brand=MAHLE"_s, 500);
        AppServices::Options options;
        options.settingsFile = environment.settingsPath();
        options.memoryCredentials = true;
        options.endpoints = sandbox.endpoints;
        AppServices services(options);
        for (const auto& [account, secret] : SandboxServer::demoAccounts)
            services.memoryCredentialStore()->set(QString::fromUtf16(account), QString::fromUtf16(secret));
        services.supplierPreferences().setAutoligaEnabled(true);

        SearchViewModel model(services.supplierPreferences(), services.searchConnectors());
        QSignalSpy finished(&model, &SearchViewModel::searchFinished);
        model.setArticle(u"oc 90"_s);
        model.search();
        QVERIFY(finished.wait(30000));

        QVERIFY2(model.errorMessage().isNull(), qPrintable(model.errorMessage()));
        const QString partial = u"AutoEuro: часть ответов не получена (1 из 2): AutoEuro вернул HTTP 500."_s;
        QCOMPARE(model.supplierFailures(), QStringList{partial});
        QVERIFY(environment.performanceLogText().contains(u"⚠️ AutoEuro: "));
        // Without AutoEuro's MAHLE lines, KNECHT has the most votes.
        const auto portalSearch = sandbox.requestsTo(u"/autoliga/api/v2/client/search/"_s).value(0);
        QCOMPARE(portalSearch.query,
                 (QList<std::pair<QString, QString>>{
                     {u"article"_s, u"OC 90"_s}, {u"withAnalogs"_s, u"1"_s}, {u"brand"_s, u"KNECHT"_s}}));
    }
};

QTEST_MAIN(TestAutoligaSearchOrder)
#include "tst_AutoligaSearchOrder.moc"
