#include "SandboxCommandLine.h"

#include <QtTest>

class TestSandbox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandLine_buildsOptions() {
        QString error;
        const auto options = SandboxCommandLine::parse(
            {QStringLiteral("--port"), QStringLiteral("8123"), QStringLiteral("--latency"),
             QStringLiteral("autoeuro=250"), QStringLiteral("--fault"), QStringLiteral("autoeuro=status:503"),
             QStringLiteral("--fault-match"), QStringLiteral("autoeuro=brand=MAHLE")},
            &error);
        QVERIFY2(options, qPrintable(error));
        QCOMPARE(options->port, 8123);
        const auto behaviour = options->behaviour.value(ServiceEndpoints::Service::autoEuro);
        QCOMPARE(behaviour.latencyMs, 250);
        QCOMPARE(behaviour.fault, SandboxBehaviour::Fault::status);
        QCOMPARE(behaviour.status, 503);
        QCOMPARE(behaviour.faultMatch, QStringLiteral("brand=MAHLE"));

        for (const QStringList& bad :
             {QStringList{QStringLiteral("--port")}, QStringList{QStringLiteral("--port"), QStringLiteral("70000")},
              QStringList{QStringLiteral("--fault"), QStringLiteral("autoeuro=explode")},
              QStringList{QStringLiteral("--latency"), QStringLiteral("nobody=5")},
              QStringList{QStringLiteral("--colour"), QStringLiteral("red")}}) {
            QVERIFY2(!SandboxCommandLine::parse(bad, &error), qPrintable(bad.join(u' ')));
            QVERIFY(!error.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestSandbox)
#include "tst_Sandbox.moc"
