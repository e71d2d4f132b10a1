#include "credentials/KeychainCredentialStore.h"
#include "credentials/MemoryCredentialStore.h"
#include "support/AwaitTask.h"

#include <QtTest>
#include <QUuid>

#include <qt6keychain/keychain.h>

#include <memory>

// The same contract against the memory store and the system's Secret Service (the
// test script runs a private gnome-keyring; items go under a service of their own).
class TestCredentialStore : public QObject {
    Q_OBJECT

    std::unique_ptr<CredentialStore> m_store;
    QString m_account;

private Q_SLOTS:
    void initTestCase_data() {
        QTest::addColumn<QString>("backend");
        QTest::newRow("memory") << "memory";
        QTest::newRow("keychain") << "keychain";
    }

    void init() {
        QFETCH_GLOBAL(QString, backend);
        if (backend == u"keychain") {
            if (!qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
                QSKIP("No D-Bus session: run through scripts/test.sh for the Secret Service.");
            m_store = std::make_unique<KeychainCredentialStore>(QStringLiteral("ru.orelia.Orelia.tests"));
        } else {
            m_store = std::make_unique<MemoryCredentialStore>();
        }
        m_account = QStringLiteral("test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    }

    void cleanup() {
        if (m_store)
            awaitTask(m_store->remove(m_account));
        m_store.reset();
    }

    void missingAccount_readsAsNothing_andDeleteRemoves() {
        QCOMPARE(awaitTask(m_store->read(m_account)), std::nullopt);
        awaitTask(m_store->remove(m_account));
        awaitTask(m_store->save(QStringLiteral("first"), m_account));
        awaitTask(m_store->remove(m_account));
        QCOMPARE(awaitTask(m_store->read(m_account)), std::nullopt);
    }

    void save_replacesAndKeepsTheSecretExactly_data() {
        QTest::addColumn<QString>("secret");
        QTest::newRow("unicode") << QStringLiteral("ключ ✓ 2");
        QTest::newRow("empty, not missing") << QString();
        QTest::newRow("blanks and a line break") << QStringLiteral("  key-with-blanks\n");
    }
    void save_replacesAndKeepsTheSecretExactly() {
        QFETCH(QString, secret);
        awaitTask(m_store->save(QStringLiteral("first"), m_account));
        awaitTask(m_store->save(secret, m_account));
        QCOMPARE(awaitTask(m_store->read(m_account)), std::optional<QString>(secret));
    }

    void invalidUtf8_isAnErrorWithCodeZero() {
        const QByteArray broken("\xff\xfe\xc3", 3);
        QFETCH_GLOBAL(QString, backend);
        if (backend == u"keychain")
            awaitTask(static_cast<KeychainCredentialStore&>(*m_store).saveRawData(broken, m_account));
        else
            static_cast<MemoryCredentialStore&>(*m_store).setRawData(m_account, broken);
        try {
            awaitTask(m_store->read(m_account));
            QFAIL("read did not fail");
        } catch (const KeychainError& error) {
            QCOMPARE(error.description(), QStringLiteral("Keychain error: 0"));
            QCOMPARE(error.code(), 0);
        }
    }

    // The desktop's password manager shows what an item is. An item written before keeps being
    // found under the same attributes and gets the label on the next save, replaced, not doubled.
    void keychain_labelsItemsForAPerson_andFindsTheOldOnes() {
        QFETCH_GLOBAL(QString, backend);
        const QString secretTool = QStandardPaths::findExecutable(QStringLiteral("secret-tool"));
        if (backend != u"keychain" || secretTool.isEmpty())
            QSKIP("the Secret Service, seen through secret-tool");
        m_account = QStringLiteral("autopiter-password");
        QKeychain::WritePasswordJob old(QStringLiteral("ru.orelia.Orelia.tests"));
        old.setAutoDelete(false);
        old.setKey(m_account);
        old.setTextData(QStringLiteral("old"));
        QSignalSpy written(&old, &QKeychain::Job::finished);
        old.start();
        QVERIFY(written.wait(10000));
        QCOMPARE(awaitTask(m_store->read(m_account)), std::optional<QString>(QStringLiteral("old")));

        awaitTask(m_store->save(QStringLiteral("new"), m_account));
        QProcess search;
        search.start(secretTool, {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("user"), m_account,
                                  QStringLiteral("server"), QStringLiteral("ru.orelia.Orelia.tests")});
        QVERIFY(search.waitForFinished(10000));
        const QString items = QString::fromUtf8(search.readAllStandardOutput());
        QCOMPARE(items.count(QStringLiteral("label = ")), 1);
        QVERIFY2(items.contains(QStringLiteral("label = Orelia: Autopiter пароль\n")), qPrintable(items));
        QCOMPARE(awaitTask(m_store->read(m_account)), std::optional<QString>(QStringLiteral("new")));
    }
};

QTEST_GUILESS_MAIN(TestCredentialStore)
#include "tst_CredentialStore.moc"
