#pragma once

#include "core/SupplierOffer.h"
#include "SupplierSearchResult.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QString>

#include <chrono>
#include <optional>

// One search from its start to its end: which suppliers were asked and what each has answered
// so far. The search body and the suppliers' tasks share it; a cancelled run is finished while
// some of them still wait. Lives on the UI thread.
struct SearchRun {
    struct Slot {
        QString name;
        // The row of the settings where its account is entered.
        QString settingsName;
        bool enabled = false;
        std::chrono::milliseconds budget{0};
        std::optional<SupplierSearchResult> result;
        // What the supplier answered to the same article a few minutes ago: shown until it
        // answers again.
        std::optional<QList<SupplierOffer>> earlier;
    };

    QString article;
    QElapsedTimer timer;
    bool finished = false;
    // Every merge of the run's answers gets the next number; only the newest one is shown.
    quint64 merges = 0;
    // When the earlier answers were had; invalid without any.
    QDateTime earlierAt;
    // In merge order: AutoEuro, Autopiter, the portal.
    QList<Slot> suppliers;

    Slot& slot(int index) { return suppliers[index]; }
    // The offer lists as they stand, in merge order: each supplier's answer, or while it has not
    // answered, its earlier one.
    QList<QList<SupplierOffer>> offerLists() const;
    // "AutoEuro: 14 · Autopiter: ждём… · Автолига: ошибка" while the search runs.
    QString progressText() const;
    // What each supplier answered, for the next search of the same article.
    QHash<QString, QList<SupplierOffer>> answers() const;
};

// Merging the suppliers' lists into the table's: concatenated in merge order, de-duplicated,
// filtered by the semantic guard, at most SearchLimits::maxOffersPerSearch kept. Pure, so a
// large merge runs off the window's thread.
struct MergedOffers {
    QList<SupplierOffer> offers;
    qsizetype merged = 0;
    qsizetype unique = 0;
    // Before the cap.
    qsizetype guarded = 0;
    double dedupSeconds = 0;
    double guardSeconds = 0;

    static MergedOffers of(QList<QList<SupplierOffer>> lists, const QString& article);
    // Up to this many offers are merged on the window's thread; more go to the worker pool.
    static constexpr qsizetype mergedHere = 2000;
};
