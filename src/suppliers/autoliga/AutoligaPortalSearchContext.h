#pragma once

#include "core/SupplierOffer.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>
#include <utility>

class UserDefaults;

// Where each portal offer came from: offer key -> [article, brand] as they were searched,
// so that a cart line holding a portal offer can be searched again with the same question.
// Read once when made, saved after every search that reaches it. Lives on the UI thread;
// AppServices owns the single instance.
class AutoligaPortalSearchContext {
public:
    static constexpr qsizetype pruneAbove = 2000;
    static constexpr qsizetype keepAfterPrune = 1000;

    explicit AutoligaPortalSearchContext(UserDefaults& defaults);

    static QString key();

    // Records the origin of every portal offer, cuts the store back when it grew too large,
    // and saves it (also when nothing changed).
    void remember(const QList<SupplierOffer>& offers, const QString& article, const QString& brand);
    // The [article, brand] pair of an offer; nothing unless the entry holds exactly two texts.
    std::optional<std::pair<QString, QString>> lookup(const QString& offerKey) const;
    const QMap<QString, QStringList>& searches() const { return m_searches; }
    // The entries of a stored dictionary that are lists of texts; the others are left out.
    static QMap<QString, QStringList> fromStored(const QVariantMap& stored);

private:
    void load();
    void save();

    UserDefaults& m_defaults;
    // Refreshed from the store by every lookup.
    mutable QMap<QString, QStringList> m_searches;
};
