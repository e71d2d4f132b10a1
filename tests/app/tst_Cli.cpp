#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

// Drives the real orelia-cli as a user's script would, with a private home so that
// nothing on the developer's machine is read or changed.
class CliTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_home;

    struct Result {
        int exitCode = -1;
        QString out;
        QString err;
    };

    Result run(const QStringList& args, const QByteArray& input = {}, const QHash<QString, QString>& extra = {}) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (auto it = extra.begin(); it != extra.end(); ++it)
            env.insert(it.key(), it.value());
        env.insert(QStringLiteral("HOME"), m_home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_STATE_HOME"), m_home.filePath(QStringLiteral("state")));
        env.remove(QStringLiteral("ORELIA_AUTOEURO_URL"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(ORELIA_CLI_PATH), args);
        if (!input.isNull())
            process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000))
            process.kill();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

private Q_SLOTS:
    void searchJson_againstTheSandbox();
    void exitStatuses_tellUsageFromNothingFound();
    void demoMode_keepsItsSettingsApart();
    void credentials_roundTripThroughTheSystemStore();
    void oddCommandLines_areRefusedOrTakenLiterally();
    void batchDemo_pricesEveryLine_savesAWorkbook();
};

void CliTest::searchJson_againstTheSandbox() {
    const Result r = run({QStringLiteral("search"), QStringLiteral("oc 90"), QStringLiteral("--demo"),
                          QStringLiteral("--json"), QStringLiteral("--markup"), QStringLiteral("10")});
    QCOMPARE(r.exitCode, 0);
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(json[u"article"].toString(), QStringLiteral("OC 90"));
    QVERIFY(json[u"status"].toString().startsWith(QStringLiteral("OC 90 — найдено предложений: ")));
    QVERIFY(json[u"duration"].toString().startsWith(QStringLiteral("Поиск: ")));
    const QJsonArray offers = json[u"offers"].toArray();
    QVERIFY(!offers.isEmpty());
    QCOMPARE(json[u"total"].toInt(), offers.size() + json[u"usefulHidden"].toInt() + json[u"rejectHidden"].toInt());
    // The demo asks all three suppliers; the portal's highlighted rows lead.
    QCOMPARE(offers.first().toObject()[u"supplierID"].toString(), QStringLiteral("autoliga"));
    QVERIFY(offers.first().toObject()[u"display"].toObject()[u"highlightRank"].toInt() < 3);
    QSet<QString> suppliers;
    for (const auto& value : offers) {
        const QJsonObject offer = value.toObject();
        QCOMPARE(offer.size(), 20);
        suppliers.insert(offer[u"supplierID"].toString());
        // Prices are exact decimal text, and the marked-up price is a multiple of 50.
        QVERIFY(offer[u"price"].isString());
        const QString copy = offer[u"display"].toObject()[u"priceCopy"].toString();
        QVERIFY2(copy.toLongLong() % 50 == 0, qPrintable(copy));
        // The guard keeps no air filters or pumps among the oil filters.
        const QString name = offer[u"name"].toString().toLower();
        QVERIFY2(!name.contains(QStringLiteral("воздуш")) && !name.contains(QStringLiteral("насос")), qPrintable(name));
    }
    QCOMPARE(suppliers,
             (QSet<QString>{QStringLiteral("autoeuro"), QStringLiteral("autopiter"), QStringLiteral("autoliga")}));

    const Result table = run({QStringLiteral("search"), QStringLiteral("OC 90"), QStringLiteral("--demo")});
    QCOMPARE(table.exitCode, 0);
    QVERIFY(table.out.startsWith(QStringLiteral("Производитель  Артикул")));
    QVERIFY(table.out.contains(QStringLiteral("Поиск: ")));
}

void CliTest::exitStatuses_tellUsageFromNothingFound() {
    QCOMPARE(run({}).exitCode, 2);
    QCOMPARE(run({QStringLiteral("fly")}).exitCode, 2);
    QCOMPARE(run({QStringLiteral("search")}).exitCode, 2);
    QCOMPARE(run({QStringLiteral("search"), QStringLiteral("  ")}).exitCode, 2);
    QCOMPARE(run({QStringLiteral("search"), QStringLiteral("X"), QStringLiteral("--markup"), QStringLiteral("nan")})
                 .exitCode,
             2);
    const Result usage = run({QStringLiteral("search"), QStringLiteral("X"), QStringLiteral("--frobnicate")});
    QCOMPARE(usage.exitCode, 2);
    QVERIFY(usage.err.contains(QStringLiteral("Неизвестный параметр: --frobnicate")));

    const QStringList search = {QStringLiteral("search"), QStringLiteral("NO-SUCH-PART"), QStringLiteral("--demo")};
    const Result nothing = run(search);
    QCOMPARE(nothing.exitCode, 0);
    QVERIFY(nothing.out.contains(QStringLiteral("По артикулу NO-SUCH-PART предложения не найдены.")));
    // Nothing found and the suppliers failed: outside the demo nobody has set up an account here.
    const Result failed = run({QStringLiteral("search"), QStringLiteral("NO-SUCH-PART")});
    QCOMPARE(failed.exitCode, 1);
    QVERIFY2(failed.out.contains(QStringLiteral("AutoEuro: ")), qPrintable(failed.out));

    const Result help = run({QStringLiteral("search"), QStringLiteral("--help")});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains(QStringLiteral("--markup")));
}

void CliTest::demoMode_keepsItsSettingsApart() {
    QCOMPARE(run({QStringLiteral("suppliers"), QStringLiteral("disable"), QStringLiteral("autoeuro"),
                  QStringLiteral("--demo")})
                 .exitCode,
             0);
    QVERIFY(run({QStringLiteral("suppliers"), QStringLiteral("--demo")}).out.contains(QStringLiteral("выключен")));
    const QString real = run({QStringLiteral("suppliers")}).out;
    QVERIFY(real.contains(QStringLiteral("autoeuro   AutoEuro   включён")));
    QCOMPARE(run({QStringLiteral("suppliers"), QStringLiteral("enable"), QStringLiteral("nobody")}).exitCode, 2);
    QCOMPARE(run({QStringLiteral("cart"), QStringLiteral("--demo")}).out, QStringLiteral("Корзина пуста.\n"));
}

void CliTest::credentials_roundTripThroughTheSystemStore() {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        QSKIP("needs a Secret Service: run the suite through scripts/test.sh");
    const QByteArray secret = "s3cr3t-Пароль-" + QByteArray::number(QDateTime::currentMSecsSinceEpoch());
    const QString account = QStringLiteral("autopiter-password");

    const Result set = run({QStringLiteral("credentials"), QStringLiteral("set"), account}, secret + "\n");
    QCOMPARE(set.exitCode, 0);
    const Result listed = run({QStringLiteral("credentials"), QStringLiteral("list")});
    QCOMPARE(listed.exitCode, 0);
    QVERIFY(QRegularExpression(QStringLiteral("autopiter-password +Autopiter +Пароль +задан"))
                .match(listed.out)
                .hasMatch());
    for (const Result& r : {set, listed})
        QVERIFY(!r.out.contains(QString::fromUtf8(secret)) && !r.err.contains(QString::fromUtf8(secret)));

    QCOMPARE(run({QStringLiteral("credentials"), QStringLiteral("delete"), account}).exitCode, 0);
    QVERIFY(QRegularExpression(QStringLiteral("autopiter-password +Autopiter +Пароль +не задан"))
                .match(run({QStringLiteral("credentials"), QStringLiteral("list")}).out)
                .hasMatch());
    // Deleting what is not there is no error; an unknown account is a usage error.
    QCOMPARE(run({QStringLiteral("credentials"), QStringLiteral("delete"), account}).exitCode, 0);
    QCOMPARE(run({QStringLiteral("credentials"), QStringLiteral("set"), QStringLiteral("root")}, "x").exitCode, 2);
}

void CliTest::oddCommandLines_areRefusedOrTakenLiterally() {
    const QString set = QStringLiteral("set");
    const QString key = QStringLiteral("autoeuro-api-key");
    for (const QByteArray& bad : {QByteArray("abc\ndef\n"), QByteArray("   \n"), QByteArray("a\tb")}) {
        const Result r = run({QStringLiteral("credentials"), set, key, QStringLiteral("--demo")}, bad);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(!r.err.isEmpty());
    }
    // After "--" an article that looks like an option is searched, not obeyed.
    const Result literal = run({QStringLiteral("search"), QStringLiteral("--demo"), QStringLiteral("--"),
                                QStringLiteral("--help"), QStringLiteral("--json")});
    QCOMPARE(literal.exitCode, 2); // two articles: "--json" is one too
    const Result searched = run({QStringLiteral("search"), QStringLiteral("--demo"), QStringLiteral("--json"),
                                 QStringLiteral("--"), QStringLiteral("--help")});
    QCOMPARE(QJsonDocument::fromJson(searched.out.toUtf8()).object()[u"article"].toString(), QStringLiteral("--HELP"));
    // A store that cannot be reached is a failure, not a list of empty accounts.
    const Result list = run({QStringLiteral("credentials"), QStringLiteral("list")}, {},
                            {{QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent")}});
    QCOMPARE(list.exitCode, 1);
}

void CliTest::batchDemo_pricesEveryLine_savesAWorkbook() {
    const QString list = m_home.filePath(QStringLiteral("list.csv"));
    QFile file(list);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("\uFEFFАртикул;Кол-во\r\nOC 90;2\r\n\r\nNO-SUCH-PART;1\r\nW 712/75;x\r\n").toUtf8());
    file.close();

    // A line that finds nothing and a line that cannot be read: exit 1, the rest priced.
    const Result r = run({QStringLiteral("batch"), list, QStringLiteral("--demo"), QStringLiteral("--json"),
                          QStringLiteral("--markup"), QStringLiteral("10")});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(QStringLiteral("Строка 5: количество «x»")), qPrintable(r.err));
    const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    const QJsonArray lines = json[u"lines"].toArray();
    QCOMPARE(lines.size(), 2);
    const QJsonObject first = lines[0].toObject();
    QCOMPARE(first[u"lineNumber"].toInt(), 2);
    QCOMPARE(first[u"quantity"].toString(), QStringLiteral("2"));
    QVERIFY(first[u"best"].isObject());
    // Marked-up prices are multiples of 50, the line total twice the price, the totals add up.
    const qlonglong unit = first[u"unitPrice"].toString().toLongLong();
    QVERIFY2(unit > 0 && unit % 50 == 0, qPrintable(first[u"unitPrice"].toString()));
    QCOMPARE(first[u"lineTotal"].toString().toLongLong(), 2 * unit);
    QCOMPARE(json[u"total"].toString(), first[u"lineTotal"].toString());
    QCOMPARE(lines[1].toObject()[u"note"].toString(),
             QStringLiteral("По артикулу NO-SUCH-PART предложения не найдены."));
    QCOMPARE(json[u"pricedLines"].toInt(), 1);

    // Every line priced: exit 0, and the workbook is written.
    const QString workbook = m_home.filePath(QStringLiteral("list.xlsx"));
    const Result saved = run({QStringLiteral("batch"), QStringLiteral("-"), QStringLiteral("--demo"),
                              QStringLiteral("--xlsx"), workbook, QStringLiteral("--rule"), QStringLiteral("fastest")},
                             QByteArray("OC 90\t3\n"));
    QCOMPARE(saved.exitCode, 0);
    QVERIFY(saved.out.contains(QStringLiteral("Лучшее предложение: самое быстрое")));
    QVERIFY(saved.out.contains(QStringLiteral("Сохранено: ") + workbook));
    QVERIFY(QFileInfo(workbook).size() > 0);

    QCOMPARE(run({QStringLiteral("batch"), QStringLiteral("--demo")}).exitCode, 2);
    QCOMPARE(run({QStringLiteral("batch"), m_home.filePath(QStringLiteral("missing.txt"))}).exitCode, 2);
    QCOMPARE(run({QStringLiteral("batch"), list, QStringLiteral("--json"), QStringLiteral("--csv"), list}).exitCode, 2);
    QCOMPARE(run({QStringLiteral("batch"), list, QStringLiteral("--rule"), QStringLiteral("random")}).exitCode, 2);
}

QTEST_GUILESS_MAIN(CliTest)
#include "tst_Cli.moc"
