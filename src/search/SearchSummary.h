#pragma once

#include "core/UserFacingError.h"

#include <QList>
#include <QString>
#include <QStringList>

// What the window says once a search has ended: its status line, its error, the failure line of
// every supplier that failed, and whether the buyer has yet to connect a supplier.
struct SearchSummary {
    // One enabled supplier that did not answer in full.
    struct Failure {
        // "AutoEuro: …", as the search wrote it.
        QString line;
        UserFacingError::Cause cause = UserFacingError::Cause::other;
        // The supplier as the search names it, and the settings row where its account is entered.
        QString name;
        QString settingsName;
    };

    QString status;
    // Null when the search did not fail.
    QString error;
    QStringList failures;
    bool needsSetup = false;

    // Suppliers without credentials say so once each, with where to enter them; when no enabled
    // supplier has any, the search asks the buyer to connect one. When every supplier that was asked
    // failed for want of a network, one line says so instead of one per supplier.
    static SearchSummary of(const QString& article, qsizetype offerCount, qsizetype enabledCount,
                            const QList<Failure>& failures);
    static QString setupMessage();
    static QString noConnectionMessage();
};
