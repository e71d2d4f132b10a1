#include "SupplierSearchResult.h"

#include "core/PerformanceLog.h"
#include "core/TextUtils.h"

#include <QElapsedTimer>

namespace {

double elapsedSeconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

} // namespace

QCoro::Task<SupplierSearchResult> SupplierSearchResult::ask(QString name, Operation operation, ReportReader report,
                                                            std::function<bool()> abandoned) {
    QElapsedTimer timer;
    timer.start();
    PerformanceLog::append(QStringLiteral("▶️ ") + name + QStringLiteral(": старт"));
    QString failure;
    auto cause = UserFacingError::Cause::other;
    try {
        auto task = operation();
        QList<SupplierOffer> offers = co_await std::move(task);
        if (abandoned && abandoned())
            co_return SupplierSearchResult::success(std::move(offers));
        const SupplierSearchReport noticed = report ? report() : SupplierSearchReport();
        QString partial;
        if (noticed.failedRequests > 0)
            partial = QStringLiteral("часть ответов не получена (%1 из %2): %3")
                          .arg(noticed.failedRequests)
                          .arg(noticed.totalRequests)
                          .arg(TextUtils::singleLine(noticed.firstFailure));
        QString line = QStringLiteral("%1 %2: %3 с · %4 предложений")
                           .arg(partial.isEmpty() ? QStringLiteral("✅") : QStringLiteral("⚠️"), name,
                                PerformanceLog::seconds(elapsedSeconds(timer)))
                           .arg(offers.size());
        if (noticed.skippedRecords > 0)
            line += QStringLiteral(" · пропущено некорректных записей: %1").arg(noticed.skippedRecords);
        if (!partial.isEmpty())
            line += QStringLiteral(" · ") + partial;
        PerformanceLog::append(line);
        if (!partial.isEmpty())
            co_return SupplierSearchResult::partial(std::move(offers), name + QStringLiteral(": ") + partial);
        co_return SupplierSearchResult::success(std::move(offers));
    } catch (const UserFacingError& error) {
        // One line, of a length a status line can show, whatever the supplier wrote.
        failure = TextUtils::singleLine(error.description());
        cause = error.cause();
    } catch (const std::exception& error) {
        // Not one of ours: still a failure of this supplier, never of the whole search.
        failure = QStringLiteral("Внутренняя ошибка: ") + TextUtils::singleLine(QString::fromUtf8(error.what()));
    }
    if (abandoned && abandoned())
        co_return SupplierSearchResult::failure(name + QStringLiteral(": ") + failure, cause);
    PerformanceLog::append(
        QStringLiteral("❌ %1: %2 с · %3").arg(name, PerformanceLog::seconds(elapsedSeconds(timer)), failure));
    co_return SupplierSearchResult::failure(name + QStringLiteral(": ") + failure, cause);
}
