#include "credentials/KeychainCredentialStore.h"
#include "credentials/MemoryCredentialStore.h"
#include "support/AwaitTask.h"

#include <QtTest>
#include <QUuid>

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
};

QTEST_GUILESS_MAIN(TestCredentialStore)
#include "tst_CredentialStore.moc"
