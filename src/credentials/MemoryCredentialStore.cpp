#include "MemoryCredentialStore.h"

#include <QCoroTimer>
#include <QStringDecoder>

#include <chrono>

using namespace std::chrono_literals;

QCoro::Task<> MemoryCredentialStore::yieldAndCheck() {
    co_await QCoro::sleepFor(0ms);
    if (m_failure)
        throw *m_failure;
}

QCoro::Task<std::optional<QString>> MemoryCredentialStore::read(QString account) {
    ++m_readCount;
    co_await yieldAndCheck();
    const auto it = m_items.constFind(account);
    if (it == m_items.cend())
        co_return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(*it);
    if (decoder.hasError())
        throw KeychainError(0, QString());
    co_return text;
}

QCoro::Task<> MemoryCredentialStore::save(QString secret, QString account) {
    co_await yieldAndCheck();
    m_items.insert(account, secret.toUtf8());
}

QCoro::Task<> MemoryCredentialStore::remove(QString account) {
    co_await yieldAndCheck();
    m_items.remove(account);
}
