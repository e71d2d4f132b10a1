#pragma once

#include "CredentialStore.h"

#include <QByteArray>
#include <QHash>

// Secrets kept in memory, for tests and the demo mode. Every operation yields to the
// event loop once, as a real store would, so concurrent callers really overlap.
class MemoryCredentialStore final : public CredentialStore {
public:
    QCoro::Task<std::optional<QString>> read(QString account) override;
    QCoro::Task<> save(QString secret, QString account) override;
    QCoro::Task<> remove(QString account) override;

    // Fills an account without waiting (demo accounts, test fixtures).
    void set(const QString& account, const QString& secret) { m_items.insert(account, secret.toUtf8()); }
    // Stores bytes as they are, valid UTF-8 or not.
    void setRawData(const QString& account, const QByteArray& data) { m_items.insert(account, data); }
    // While set, every operation fails with this error and changes nothing.
    void setFailure(std::optional<KeychainError> failure) { m_failure = std::move(failure); }
    int readCount() const { return m_readCount; }
    bool contains(const QString& account) const { return m_items.contains(account); }

private:
    QCoro::Task<> yieldAndCheck();

    QHash<QString, QByteArray> m_items;
    std::optional<KeychainError> m_failure;
    int m_readCount = 0;
};
