#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// orelia-cli feedback as a script runs it, against the demo's feedback service.
class FeedbackCliTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void feedback_printsTheSheetsTexts_data();
    void feedback_printsTheSheetsTexts();
};

void FeedbackCliTest::feedback_printsTheSheetsTexts_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    const QStringList bug{QStringLiteral("--demo"), QStringLiteral("--category"), QStringLiteral("bug")};
    QTest::newRow("sent") << bug + QStringList{QStringLiteral("--subject"), QStringLiteral("Наценка")}
                          << QByteArray("Цена без наценки\n") << 0
                          << QStringLiteral("Обращение отправлено. № FB-000123\n") << QString();
    QTest::newRow("supplier, name only")
        << QStringList{QStringLiteral("--demo"),     QStringLiteral("--category"),
                       QStringLiteral("supplier"),   QStringLiteral("--supplier-name"),
                       QStringLiteral("Автоальянс"), QStringLiteral("--supplier-has-account")}
        << QByteArray() << 0 << QStringLiteral("Обращение отправлено. № FB-000123\n") << QString();
    QTest::newRow("blank message") << bug << QByteArray(" \n\t\n") << 1 << QString()
                                   << QStringLiteral("Введите сообщение.\n");
    QTest::newRow("no address") << QStringList{QStringLiteral("--category"), QStringLiteral("other")}
                                << QByteArray("Текст") << 1 << QString()
                                << QStringLiteral("Адрес службы обратной связи не настроен в этой сборке.\n");
    QTest::newRow("unknown category") << QStringList{QStringLiteral("--demo"), QStringLiteral("--category"),
                                                     QStringLiteral("wish")}
                                      << QByteArray("Текст") << 2 << QString()
                                      << QStringLiteral("Неизвестная категория: wish");
}

void FeedbackCliTest::feedback_printsTheSheetsTexts() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);

    QTemporaryDir home;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_STATE_HOME"), home.filePath(QStringLiteral("state")));
    // Set but empty: this run has no feedback address, whatever the build has.
    env.insert(QStringLiteral("ORELIA_FEEDBACK_URL"), QString());
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(ORELIA_CLI_PATH), QStringList{QStringLiteral("feedback")} + args);
    process.write(input);
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), out);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(err.isEmpty() ? errors.isEmpty() : errors.startsWith(err), qPrintable(errors));
}

QTEST_GUILESS_MAIN(FeedbackCliTest)
#include "tst_FeedbackCli.moc"
