#include "KeychainCredentialStore.h"

#include "SecretServiceLabel.h"

#include <QCoroSignal>
#include <QStringDecoder>
#include <QTimer>

#include <qt6keychain/keychain.h>

#include <memory>

namespace {

struct LaterDeleter {
    void operator()(QObject* object) const { object->deleteLater(); }
};

template <typename Job> std::unique_ptr<Job, LaterDeleter> makeJob(const QString& service, const QString& account) {
    std::unique_ptr<Job, LaterDeleter> job(new Job(service));
    job->setAutoDelete(false);
    job->setKey(account);
    return job;
}

QCoro::Task<> run(QKeychain::Job* job) {
    // Started from the event loop so that a job finishing at once cannot be missed.
    QTimer::singleShot(0, job, &QKeychain::Job::start);
    co_await qCoro(job, &QKeychain::Job::finished);
}

// QtKeychain speaks English on Linux; the buyer first reads what failed.
KeychainError errorOf(const QKeychain::Job& job) {
    const QString text = job.errorString();
    return KeychainError(static_cast<int>(job.error()),
                         text.isEmpty() ? text : QStringLiteral("Системное хранилище паролей недоступно: ") + text);
}

} // namespace

KeychainCredentialStore::KeychainCredentialStore(QString service)
    : m_service(std::move(service)) {}

QCoro::Task<std::optional<QString>> KeychainCredentialStore::read(QString account) {
    auto job = makeJob<QKeychain::ReadPasswordJob>(m_service, account);
    co_await run(job.get());
    if (job->error() == QKeychain::EntryNotFound)
        co_return std::nullopt;
    if (job->error() != QKeychain::NoError)
        throw errorOf(*job);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(job->binaryData());
    if (decoder.hasError())
        throw KeychainError(0, QString());
    co_return text;
}

QCoro::Task<> KeychainCredentialStore::save(QString secret, QString account) {
    // One write replaces the item: a failed save leaves the old secret in place.
    auto job = makeJob<QKeychain::WritePasswordJob>(m_service, account);
    job->setTextData(secret);
    co_await run(job.get());
    if (job->error() != QKeychain::NoError)
        throw errorOf(*job);
    auto label = SecretServiceLabel::apply(QString(m_service), account);
    co_await std::move(label);
}

QCoro::Task<> KeychainCredentialStore::saveRawData(QByteArray data, QString account) {
    auto job = makeJob<QKeychain::WritePasswordJob>(m_service, account);
    job->setBinaryData(data);
    co_await run(job.get());
    if (job->error() != QKeychain::NoError)
        throw errorOf(*job);
}

QCoro::Task<> KeychainCredentialStore::remove(QString account) {
    auto job = makeJob<QKeychain::DeletePasswordJob>(m_service, account);
    co_await run(job.get());
    if (job->error() != QKeychain::NoError && job->error() != QKeychain::EntryNotFound)
        throw errorOf(*job);
}
