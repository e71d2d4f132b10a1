#pragma once

#include "core/SupplierOffer.h"

#include <QList>
#include <QSet>
#include <QString>

#include <optional>

// Drops offers that describe another kind of part than the one asked for (an air
// filter among oil filters, a pump among filters). The offers carrying the queried
// article vote on what the part is; when the vote is unclear nothing is dropped.
namespace OfferSemanticGuard {

enum class PartType { filter, pump, valve, bearing, mount, bolt, nut, leafSpring };
enum class Purpose { air, oil, fuel, cabin };

QString rawValue(PartType type);
QString rawValue(Purpose purpose);

struct Meaning {
    PartType partType;
    std::optional<Purpose> purpose;
    bool operator==(const Meaning&) const = default;
};
size_t qHash(const Meaning& meaning, size_t seed = 0);

struct BrandConsensus {
    QString brand;
    Meaning meaning;
    qsizetype votes = 0;
    qsizetype recognized = 0;
    qsizetype exactRows = 0;
};

struct CanonicalIdentity {
    QString canonicalNumber;
    QSet<QString> brands;
    Meaning meaning;
};

QString canonicalPartNumber(QStringView text);
QSet<QString> normalizedWords(QStringView text);
std::optional<Purpose> detectedPurpose(const QSet<QString>& words);
std::optional<Meaning> meaning(QStringView text);
// The vote; queryArticle is already in canonical form.
std::optional<CanonicalIdentity> canonicalIdentity(const QList<SupplierOffer>& offers, const QString& queryArticle);
// A sub-list of the input in the same order. Works in place on a list handed over with
// std::move; one where nothing is dropped comes back unchanged.
QList<SupplierOffer> filter(QList<SupplierOffer> offers, const QString& queryArticle);

} // namespace OfferSemanticGuard
