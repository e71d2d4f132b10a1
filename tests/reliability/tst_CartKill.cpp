// The cart survives its process being killed at any moment: after every kill the stored cart
// loads whole and is the cart of the last save that returned, or of the one under way.
#include "CartSaveSteps.h"
#include "core/UserDefaults.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

class CartKillTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killedWhileSaving_leavesTheCartBeforeOrAfterTheLastSave();
};

void CartKillTest::killedWhileSaving_leavesTheCartBeforeOrAfterTheLastSave() {
    constexpr int kills = 1000;
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("Orelia.conf"));
    CartSaveSteps::Lines model; // the stored cart after step `stored`
    int stored = 0;
    // Seeded, so that a failure can be run again as it was.
    QRandomGenerator random(17);
    int killedMidRun = 0;

    for (int round = 0; round < kills; ++round) {
        QProcess saver;
        saver.start(QStringLiteral(ORELIA_CART_SAVER_PATH), {settings, QString::number(stored)});
        QVERIFY2(saver.waitForStarted(10000), qPrintable(saver.errorString()));
        QByteArray output;
        while (!output.contains("ready\n") && saver.waitForReadyRead(30000))
            output += saver.readAllStandardOutput();
        QVERIFY2(output.contains("ready\n"),
                 qPrintable(QStringLiteral("round %1: the saver did not start").arg(round)));
        QThread::usleep(random.bounded(30000));
        ::kill(static_cast<pid_t>(saver.processId()), SIGKILL);
        QVERIFY(saver.waitForFinished(10000));
        output += saver.readAllStandardOutput();

        int lastReturned = stored;
        for (const QByteArray& line : output.split('\n')) {
            bool ok = false;
            const int step = line.toInt(&ok);
            if (ok)
                lastReturned = step;
        }
        CartSaveSteps::Lines before = model;
        for (int step = stored + 1; step <= lastReturned; ++step)
            CartSaveSteps::apply(before, step);
        CartSaveSteps::Lines after = before;
        CartSaveSteps::apply(after, lastReturned + 1);

        auto defaults = UserDefaults::atPath(settings);
        const std::optional<QByteArray> raw = defaults->dataValue(CartStore::defaultsKey());
        QVERIFY2(lastReturned == 0 || (raw && CartItem::decodeList(*raw)),
                 qPrintable(QStringLiteral("round %1: the stored cart does not read: %2")
                                .arg(round)
                                .arg(QString::fromUtf8(raw.value_or(QByteArray()).left(200)))));
        CartStore cart(*defaults);
        QVERIFY(cart.keptAsideKey().isEmpty());
        const CartSaveSteps::Lines found = CartSaveSteps::linesOf(cart);
        if (found == before) {
            model = before;
            stored = lastReturned;
        } else {
            QVERIFY2(found == after,
                     qPrintable(QStringLiteral("round %1: the cart is neither that of step %2 nor of %3")
                                    .arg(round)
                                    .arg(lastReturned)
                                    .arg(lastReturned + 1)));
            model = after;
            stored = lastReturned + 1;
            ++killedMidRun;
        }
    }
    // Beside the file only what a kill between QSaveFile's steps leaves: the last saver's lock
    // (taken over by the next writer, which may itself be killed while removing it, and so on:
    // lock.rmlock.rmlock) and complete copies linked in but never renamed over it.
    const QRegularExpression leftOver(QStringLiteral("^Orelia\\.conf(\\.lock(\\.rmlock)*|\\.[A-Za-z0-9]{6})?$"));
    int copies = 0;
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden)) {
        QVERIFY2(leftOver.match(name).hasMatch(), qPrintable(name));
        copies += name.size() == QStringLiteral("Orelia.conf.XXXXXX").size() ? 1 : 0;
    }
    qInfo("%d kills, %d saves, %d kills after a save had reached the disk but before it returned, "
          "%d unrenamed copies left",
          kills, stored, killedMidRun, copies);
}

QTEST_GUILESS_MAIN(CartKillTest)
#include "tst_CartKill.moc"
