#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

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

    // Started, not waited for: several run side by side as a user's scripts would. The demo
    // answers in a fifth of a second, so that a search is still under way for a moment.
    std::unique_ptr<QProcess> start(const QStringList& args) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment({{u"ORELIA_DEMO_LATENCY_MS"_s, u"200"_s}}));
        process->start(QStringLiteral(ORELIA_CLI_PATH), args);
        process->closeWriteChannel();
        return process;
    }

    static Result finished(QProcess& process) {
        if (!process.waitForFinished(60000))
            process.kill();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

    // The demo cart's lines as "id×quantity".
    QStringList demoCart() {
        QStringList lines;
        const QJsonObject cart =
            QJsonDocument::fromJson(run({u"cart"_s, u"--demo"_s, u"--json"_s}).out.toUtf8()).object();
        for (const auto& group : cart[u"groups"].toArray()) {
            for (const auto& line : group.toObject()[u"items"].toArray())
                lines.append(line.toObject()[u"id"].toString() + u'×' +
                             QString::number(line.toObject()[u"quantity"].toInteger()));
        }
        lines.sort();
        return lines;
    }

    QProcessEnvironment environment(const QHash<QString, QString>& extra) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, m_home.path());
        env.insert(u"XDG_CONFIG_HOME"_s, m_home.filePath(u"config"_s));
        env.insert(u"XDG_STATE_HOME"_s, m_home.filePath(u"state"_s));
        for (const QString& name : {u"ORELIA_AUTOEURO_URL"_s, u"ORELIA_AUTOPITER_URL"_s, u"ORELIA_TRADESOFT_URL"_s,
                                    u"ORELIA_AUTOLIGA_PORTAL_URL"_s})
            env.remove(name);
        // Set but empty: this run has no feedback address, whatever the build has.
        env.insert(u"ORELIA_FEEDBACK_URL"_s, QString());
        for (auto it = extra.begin(); it != extra.end(); ++it)
            env.insert(it.key(), it.value());
        return env;
    }

    Result run(const QStringList& args, const QByteArray& input = {}, const QHash<QString, QString>& extra = {}) {
        QProcess process;
        process.setProcessEnvironment(environment(extra));
        process.start(QStringLiteral(ORELIA_CLI_PATH), args);
        if (!input.isNull())
            process.write(input);
        process.closeWriteChannel();
        return finished(process);
    }

private Q_SLOTS:
    // The text table of the same search is checked on the installed program (tests/packaging).
    void searchJson_againstTheSandbox() {
        const Result r =
            run({u"search"_s, u"oc 90"_s, u"--demo"_s, u"--json"_s, u"--markup"_s, u"10"_s, u"--progress"_s});
        QCOMPARE(r.exitCode, 0);
        // Each supplier's arrival on stderr, the JSON alone on stdout.
        QCOMPARE(r.err.count(QRegularExpression(u"^(AutoEuro|Autopiter|Автолига): предложений: \\d+, "_s,
                                                QRegularExpression::MultilineOption)),
                 3);
        QJsonParseError error;
        const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(json[u"article"].toString(), u"OC 90"_s);
        QVERIFY(json[u"status"].toString().startsWith(u"OC 90 — найдено предложений: "_s));
        QVERIFY(json[u"duration"].toString().startsWith(u"Поиск: "_s));
        const QJsonArray offers = json[u"offers"].toArray();
        QVERIFY(!offers.isEmpty());
        QCOMPARE(json[u"total"].toInt(), offers.size() + json[u"usefulHidden"].toInt() + json[u"rejectHidden"].toInt());
        // The demo asks all five suppliers, the ABCP shop and the TradeSoft one among them; every offer in
        // the full form (its members: tst_OfferReport).
        QSet<QString> suppliers;
        for (const auto& value : offers) {
            QCOMPARE(value.toObject().size(), 20);
            suppliers.insert(value.toObject()[u"supplierID"].toString());
        }
        QCOMPARE(suppliers, (QSet<QString>{u"autoeuro"_s, u"autopiter"_s, u"autoliga"_s, u"abcp-avtomarket-ural"_s,
                                           u"tradesoft-uralparts"_s}));
    }

    void exitStatuses_tellUsageFromFailure() {
        for (const QStringList& usage :
             {QStringList{}, QStringList{u"fly"_s}, QStringList{u"search"_s}, QStringList{u"search"_s, u"  "_s},
              QStringList{u"search"_s, u"X"_s, u"--markup"_s, u"nan"_s},
              QStringList{u"suppliers"_s, u"enable"_s, u"nobody"_s}})
            QCOMPARE(run(usage).exitCode, 2);
        const Result unknown = run({u"search"_s, u"X"_s, u"--frobnicate"_s});
        QCOMPARE(unknown.exitCode, 2);
        QVERIFY(unknown.err.contains(u"Неизвестный параметр: --frobnicate"_s));

        // Outside the demo nobody has set up an account here: the search says how to start, and
        // nothing is sent to the built-in addresses.
        const Result failed = run({u"search"_s, u"NO-SUCH-PART"_s});
        QCOMPARE(failed.exitCode, 1);
        if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QVERIFY2(failed.out.startsWith(u"Поставщики не подключены: "_s), qPrintable(failed.out));

        // A fresh installation lists the built-in addresses.
        const QString suppliers = run({u"suppliers"_s}).out;
        for (const QString& line : {u"autoeuro   AutoEuro   включён   API        https://api.autoeuro.ru/ "_s,
                                    u"autopiter  Autopiter  включён   SOAP       https://service.autopiter.ru/ "_s,
                                    u"autoliga   Автолига   выключен  портал     не задан "_s,
                                    u"TradeSoft  https://service.tradesoft.ru/  встроенный"_s})
            QVERIFY2(suppliers.contains(line), qPrintable(suppliers));
        const Result help = run({u"search"_s, u"--help"_s});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains(u"--markup"_s));
    }

    // Suppliers added, listed, checked and removed from a script; each step's exit and first words.
    void suppliersCommand_addsListsChecksAndRemoves() {
        const QList<std::tuple<QString, int, QString>> steps = {
            {u"suppliers add abcp --name Шинный_Двор --url https://id7.public.api.abcp.ru"_s, 0,
             u"abcp-shinnyy-dvor\n"_s},
            {u"suppliers add abcp --name Шинный_Двор --url https://id8.public.api.abcp.ru/"_s, 0,
             u"abcp-shinnyy-dvor-2\n"_s},
            {u"suppliers add tradesoft --provider motorline --name Моторлайн"_s, 0, u"tradesoft-motorline\n"_s},
            {u"suppliers add tradesoft --provider motorline"_s, 1, u"Этот поставщик уже добавлен: Моторлайн"_s},
            {u"suppliers add abcp --name X --url ftp://shop.ru/"_s, 2, u"Адрес должен начинаться с https://"_s},
            {u"suppliers add emex --name X"_s, 2, u"Укажите платформу поставщика: abcp или tradesoft"_s},
            {u"suppliers check tradesoft-motorline"_s, 0, u"Моторлайн через TradeSoft: подключение подтверждено."_s},
            {u"suppliers check abcp-shinnyy-dvor"_s, 1, u"Шинный_Двор: не указаны логин и пароль"_s},
            {u"suppliers disable abcp-shinnyy-dvor-2"_s, 0, QString()},
            {u"suppliers remove abcp-shinnyy-dvor-2"_s, 0, QString()},
            {u"suppliers remove autoeuro"_s, 2, u"Встроенного поставщика не удаляют"_s},
            {u"credentials set abcp-shinnyy-dvor-login"_s, 0, QString()},
        };
        for (const auto& [command, exitCode, said] : steps) {
            const Result r = run(command.split(u' ') + QStringList{u"--demo"_s}, "login");
            QVERIFY2(r.exitCode == exitCode && (r.out + r.err).startsWith(said), qPrintable(command + u": "_s + r.err));
        }
        const QString listed = run({u"suppliers"_s, u"--demo"_s}).out;
        const QRegularExpression rows(
            u"abcp-shinnyy-dvor +Шинный_Двор +включён +API +http://127\\.0\\.0\\.1:\\d+/abcp/ +"
            u"демо-режим\n(.*\n)?tradesoft-motorline +Моторлайн +включён +TradeSoft \\(motorline\\)"_s);
        QVERIFY2(rows.match(listed).hasMatch() && !listed.contains(u"dvor-2"_s), qPrintable(listed));
        for (const QString& id : {u"abcp-shinnyy-dvor"_s, u"tradesoft-motorline"_s})
            QCOMPARE(run({u"suppliers"_s, u"remove"_s, id, u"--demo"_s}).exitCode, 0);
    }

    void credentials_roundTripThroughTheSystemStore() {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QSKIP("needs a Secret Service: run the suite through scripts/test.sh");
        const QByteArray secret = "s3cr3t-Пароль-" + QByteArray::number(QDateTime::currentMSecsSinceEpoch());
        const QString account = u"autopiter-password"_s;

        const Result set = run({u"credentials"_s, u"set"_s, account}, secret + "\n");
        QCOMPARE(set.exitCode, 0);
        const Result listed = run({u"credentials"_s, u"list"_s});
        QCOMPARE(listed.exitCode, 0);
        QVERIFY(QRegularExpression(u"autopiter-password +Autopiter +Пароль +задан"_s).match(listed.out).hasMatch());
        for (const Result& r : {set, listed})
            QVERIFY(!r.out.contains(QString::fromUtf8(secret)) && !r.err.contains(QString::fromUtf8(secret)));

        QCOMPARE(run({u"credentials"_s, u"delete"_s, account}).exitCode, 0);
        QVERIFY(QRegularExpression(u"autopiter-password +Autopiter +Пароль +не задан"_s)
                    .match(run({u"credentials"_s, u"list"_s}).out)
                    .hasMatch());
        // Deleting what is not there is no error; an unknown account is a usage error.
        QCOMPARE(run({u"credentials"_s, u"delete"_s, account}).exitCode, 0);
        QCOMPARE(run({u"credentials"_s, u"set"_s, u"root"_s}, "x").exitCode, 2);
    }

    void oddCommandLines_areRefusedOrTakenLiterally() {
        // Control characters in a secret are refused before anything is stored.
        for (const QByteArray& bad : {QByteArray("abc\ndef\n"), QByteArray("   \n")}) {
            const Result r = run({u"credentials"_s, u"set"_s, u"autoeuro-api-key"_s, u"--demo"_s}, bad);
            QCOMPARE(r.exitCode, 2);
            QVERIFY(!r.err.isEmpty());
        }
        // After "--" an article that looks like an option is searched, not obeyed.
        QCOMPARE(run({u"search"_s, u"--"_s, u"--help"_s, u"--json"_s}).exitCode,
                 2); // two articles: "--json" is one too
        const Result searched = run({u"search"_s, u"--json"_s, u"--"_s, u"--help"_s});
        QCOMPARE(QJsonDocument::fromJson(searched.out.toUtf8()).object()[u"article"].toString(), u"--HELP"_s);
        // A store that cannot be reached is a failure, not a list of empty accounts.
        const Result list =
            run({u"credentials"_s, u"list"_s}, {}, {{u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent"_s}});
        QCOMPARE(list.exitCode, 1);
    }

    void batchDemo_pricesEveryLine_savesAWorkbook() {
        const QString list = m_home.filePath(u"list.csv"_s);
        QFile file(list);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(u"\uFEFFАртикул;Кол-во\r\nOC 90;2\r\n\r\nNO-SUCH-PART;1\r\nW 712/75;x\r\n"_s.toUtf8());
        file.close();

        // A line that finds nothing and a line that cannot be read: exit 1, the rest priced.
        const Result r = run({u"batch"_s, list, u"--demo"_s, u"--json"_s, u"--markup"_s, u"10"_s});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(u"Строка 5: количество «x»"_s), qPrintable(r.err));
        const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
        const QJsonArray lines = json[u"lines"].toArray();
        QCOMPARE(lines.size(), 2);
        const QJsonObject first = lines[0].toObject();
        QCOMPARE(first[u"lineNumber"].toInt(), 2);
        QCOMPARE(first[u"quantity"].toString(), u"2"_s);
        QVERIFY(first[u"best"].isObject());
        // --markup reached the pricing (a multiple of 50); the line total twice the price, the totals add up.
        const qlonglong unit = first[u"unitPrice"].toString().toLongLong();
        QVERIFY2(unit > 0 && unit % 50 == 0, qPrintable(first[u"unitPrice"].toString()));
        QCOMPARE(first[u"lineTotal"].toString().toLongLong(), 2 * unit);
        QCOMPARE(json[u"total"].toString(), first[u"lineTotal"].toString());
        QCOMPARE(lines[1].toObject()[u"note"].toString(), u"По артикулу NO-SUCH-PART предложения не найдены."_s);
        QCOMPARE(json[u"pricedLines"].toInt(), 1);
        QVERIFY(!first[u"analogue"].toBool()); // the exact part, not an analogue, by default

        // Every line priced: exit 0, and the workbook is written.
        const QString workbook = m_home.filePath(u"list.xlsx"_s);
        const Result saved =
            run({u"batch"_s, u"-"_s, u"--demo"_s, u"--xlsx"_s, workbook, u"--rule"_s, u"fastest"_s}, "OC 90\t3\n");
        QCOMPARE(saved.exitCode, 0);
        QVERIFY(saved.out.contains(u"Лучшее предложение: самое быстрое"_s));
        QVERIFY(saved.out.contains(u"Сохранено: "_s + workbook));
        QVERIFY(QFileInfo(workbook).size() > 0);

        QCOMPARE(run({u"batch"_s, u"--demo"_s}).exitCode, 2);
        QCOMPARE(run({u"batch"_s, m_home.filePath(u"missing.txt"_s)}).exitCode, 2);
        QCOMPARE(run({u"batch"_s, list, u"--json"_s, u"--csv"_s, list}).exitCode, 2);
        QCOMPARE(run({u"batch"_s, list, u"--rule"_s, u"random"_s}).exitCode, 2);
        QCOMPARE(run({u"batch"_s, list, u"--max-days"_s, u"неделя"_s}).exitCode, 2);
    }

    // Against the demo's feedback service.
    // Scripts change the cart side by side: every change is made to the cart as stored at that
    // moment, so none is lost and each one reported as done has been done.
    void cartChanges_ofParallelRuns_allHold() {
        const QJsonArray offers =
            QJsonDocument::fromJson(
                finished(*start({u"search"_s, u"OC 90"_s, u"--demo"_s, u"--json"_s, u"--all"_s})).out.toUtf8())
                .object()[u"offers"]
                .toArray();
        QVERIFY(offers.size() >= 12);
        const auto id = [&offers](int i) { return offers.at(i).toObject()[u"id"].toString(); };
        const auto add = [this, &id](int i) { return start({u"cart"_s, u"add"_s, u"OC 90"_s, id(i), u"--demo"_s}); };

        std::vector<std::unique_ptr<QProcess>> adds;
        for (int i = 0; i < 10; ++i)
            adds.push_back(add(i));
        for (auto& process : adds) {
            const Result r = finished(*process);
            QVERIFY2(r.exitCode == 0 && r.out.startsWith(u"Добавлено: "_s), qPrintable(r.out + r.err));
        }
        QCOMPARE(demoCart().size(), 10);

        // A quantity set while another run searches, and a removal beside an add, all stay.
        auto searching = add(10);
        QCOMPARE(run({u"cart"_s, u"quantity"_s, id(0), u"2"_s, u"--demo"_s}).exitCode, 0);
        auto adding = add(11);
        QCOMPARE(run({u"cart"_s, u"remove"_s, id(1), u"--demo"_s}).exitCode, 0);
        QCOMPARE(finished(*searching).exitCode, 0);
        QCOMPARE(finished(*adding).exitCode, 0);
        const QStringList cart = demoCart();
        QCOMPARE(cart.size(), 11);
        QVERIFY(cart.contains(id(0) + u"×2"_s) && cart.contains(id(11) + u"×1"_s));
        QVERIFY(!cart.filter(id(1) + u'×').size());
    }

    void feedback_printsTheSheetsTexts_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QStringList bug{u"feedback"_s, u"--demo"_s, u"--category"_s, u"bug"_s};
        const QString sent = u"Обращение отправлено. № FB-000123\n"_s;
        QTest::newRow("sent") << bug + QStringList{u"--subject"_s, u"Наценка"_s} << QByteArray("Цена без наценки\n")
                              << 0 << sent << QString();
        QTest::newRow("supplier, name only")
            << u"feedback --demo --category supplier --supplier-name Автоальянс --supplier-has-account"_s.split(u' ')
            << QByteArray() << 0 << sent << QString();
        QTest::newRow("blank message") << bug << QByteArray(" \n\t\n") << 1 << QString() << u"Введите сообщение.\n"_s;
        QTest::newRow("no address") << QStringList{u"feedback"_s, u"--category"_s, u"other"_s} << QByteArray("Текст")
                                    << 1 << QString() << u"Адрес службы обратной связи не настроен в этой сборке.\n"_s;
        QTest::newRow("unknown category") << QStringList{u"feedback"_s, u"--demo"_s, u"--category"_s, u"wish"_s}
                                          << QByteArray("Текст") << 2 << QString() << u"Неизвестная категория: wish"_s;
        // Nothing of a file piped in by mistake is sent, nor read beyond what a message may hold.
        QTest::newRow("too long") << bug << QByteArray(300000, 'x') << 1 << QString()
                                  << u"Сообщение слишком длинное: "_s;
        QTest::newRow("binary") << bug << QByteArray("PK\x03\x04\0\0\xff", 7) << 1 << QString()
                                << u"Сообщение не похоже на текст"_s;
    }

    void feedback_printsTheSheetsTexts() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Result r = run(args, input);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out, out);
        QVERIFY2(err.isEmpty() ? r.err.isEmpty() : r.err.startsWith(err), qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_Cli.moc"
