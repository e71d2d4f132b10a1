#include "SearchSummary.h"

using Cause = UserFacingError::Cause;

QString SearchSummary::setupMessage() {
    return QStringLiteral("Поставщики не подключены: ни для одного включённого поставщика не указаны учётные данные. "
                          "Введите их в «Настройки» или попробуйте демо-режим с учебными поставщиками: orelia --demo.");
}

QString SearchSummary::noConnectionMessage() {
    return QStringLiteral("Нет подключения к интернету: ни один поставщик не ответил.");
}

SearchSummary SearchSummary::of(const QString& article, qsizetype offerCount, qsizetype enabledCount,
                                const QList<Failure>& failures) {
    SearchSummary summary;
    qsizetype missing = 0;
    qsizetype unreachable = 0;
    for (const Failure& failure : failures) {
        if (failure.cause == Cause::missingCredentials) {
            ++missing;
            summary.failures.append(failure.name +
                                    QStringLiteral(": не указаны учётные данные. Введите их в "
                                                   "«Настройки» → ") +
                                    failure.settingsName + u'.');
        } else {
            unreachable += failure.cause == Cause::noConnection ? 1 : 0;
            summary.failures.append(failure.line);
        }
    }
    const qsizetype asked = enabledCount - missing;
    QStringList lines = summary.failures;
    if (missing > 0 && missing == enabledCount) {
        summary.needsSetup = true;
        lines = QStringList{setupMessage()};
    } else if (asked > 0 && unreachable == asked) {
        lines = QStringList{noConnectionMessage()};
        for (qsizetype i = 0; i < failures.size(); ++i) {
            if (failures[i].cause == Cause::missingCredentials)
                lines.append(summary.failures[i]);
        }
    }

    if (offerCount == 0) {
        if (lines.isEmpty())
            summary.status = QStringLiteral("По артикулу ") + article + QStringLiteral(" предложения не найдены.");
        else
            summary.error = lines.join(u'\n');
    } else {
        summary.status = article + QStringLiteral(" — найдено предложений: ") + QString::number(offerCount);
        if (!lines.isEmpty())
            summary.status += QStringLiteral(". ") + lines.join(QStringLiteral(" · "));
    }
    return summary;
}
