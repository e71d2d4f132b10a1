#pragma once

#include "SupplierSearchResult.h"

#include <QCoroTask>
#include <QElapsedTimer>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

// One search from its start to its end: which suppliers were asked and what each has
// answered so far. The search body and the suppliers' tasks share it; a cancelled run is
// finished while some of them still wait.
struct SearchRun {
    struct Slot {
        QString name;
        // The row of the settings where its account is entered.
        QString settingsName;
        bool enabled = false;
        std::optional<SupplierSearchResult> result;
    };

    QString article;
    QElapsedTimer timer;
    bool finished = false;
    Slot autoEuro{QStringLiteral("AutoEuro"), QStringLiteral("AutoEuro"), false, {}};
    Slot autopiter{QStringLiteral("Autopiter"), QStringLiteral("Autopiter"), false, {}};
    // Only the portal's leg of Автолига takes part in a search: "(портал)" would tell the buyer nothing.
    Slot autoliga{QStringLiteral("Автолига"), QStringLiteral("Автолига"), false, {}};
    // The suppliers the buyer added, asked side by side with AutoEuro and Autopiter; they have no
    // say in the portal's brand.
    std::vector<Slot> accounts;

    // In merge order.
    std::vector<Slot*> inMergeOrder() {
        std::vector<Slot*> order{&autoEuro, &autopiter, &autoliga};
        for (Slot& account : accounts)
            order.push_back(&account);
        return order;
    }

    // Keeps a supplier's result in the run the moment it arrives, so that a cancellation knows
    // who has answered whatever order the results are read in. `slot` is one of the run's own.
    static QCoro::Task<> recorded(std::shared_ptr<SearchRun> run, Slot* slot, QCoro::Task<SupplierSearchResult> task) {
        // The run is held until the result is in it.
        Q_UNUSED(run);
        SupplierSearchResult result = co_await std::move(task);
        slot->result = std::move(result);
    }
};
