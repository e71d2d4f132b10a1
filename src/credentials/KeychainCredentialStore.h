#pragma once

#include "CredentialStore.h"

// Secrets in the operating system's credential store (Secret Service on Linux,
// Keychain on macOS, Credential Manager on Windows), all under one service name.
class KeychainCredentialStore final : public CredentialStore {
public:
    static constexpr auto serviceName = u"ru.orelia.Orelia";

    // serviceName is for tests that must not touch the user's real items.
    explicit KeychainCredentialStore(QString service = QString::fromUtf16(serviceName));

    QCoro::Task<std::optional<QString>> read(QString account) override;
    QCoro::Task<> save(QString secret, QString account) override;
    QCoro::Task<> remove(QString account) override;

    // Stores bytes as they are (tests of the UTF-8 check).
    QCoro::Task<> saveRawData(QByteArray data, QString account);

private:
    QString m_service;
};
