#include "SandboxCommandLine.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestSandbox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandLine_buildsOptions() {
        QString error;
        const auto options = SandboxCommandLine::parse(
            u"--port 8123 --latency autoeuro=250 --fault autoeuro=status:503 --fault-match autoeuro=brand=MAHLE"_s
                .split(u' '),
            &error);
        QVERIFY2(options, qPrintable(error));
        const auto behaviour = options->behaviour.value(ServiceEndpoints::Service::autoEuro);
        QCOMPARE(std::tuple(options->port, behaviour.latencyMs, int(behaviour.fault), behaviour.status,
                            behaviour.faultMatch),
                 std::tuple(8123, 250, int(SandboxBehaviour::Fault::status), 503, u"brand=MAHLE"_s));

        for (const QString& bad : {u"--port"_s, u"--port 70000"_s, u"--fault autoeuro=explode"_s,
                                   u"--latency nobody=5"_s, u"--colour red"_s}) {
            error.clear();
            QVERIFY2(!SandboxCommandLine::parse(bad.split(u' '), &error), qPrintable(bad));
            QVERIFY(!error.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestSandbox)
#include "tst_Sandbox.moc"
