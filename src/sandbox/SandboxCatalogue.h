#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <cstdint>

// The parts world every simulated supplier answers from: groups of interchangeable
// parts (originals of several brands plus analogues), each part stocked at a few
// warehouses. A few groups also list a part of another kind among their analogues,
// as real cross-reference tables do. Immutable and safe to read from any thread.
namespace SandboxCatalogue {

struct Warehouse {
    QString key;
    QString name;
    int deliveryDays;
    // Price relative to the part's base price.
    double priceFactor;
    // Refusal rate in percent.
    double refusalRate;
    bool returnable;
};

struct StockLine {
    const Warehouse* warehouse;
    // A stable key of this line, the same whichever query finds it.
    QString offerKey;
    double price;
    std::int64_t stock;
};

struct Part {
    QString brand;
    QString article;
    QString name;
    double basePrice;
    std::int64_t packing;
    QList<StockLine> lines;
};

struct Group {
    // Originals first, then analogues; wrong-kind entries are ordinary members.
    QList<Part> parts;
};

struct DeliveryPoint {
    QString key;
    QString name;
    QString timeShiftMsk;
};

const QList<Group>& groups();
const QList<Warehouse>& warehouses();
const QList<DeliveryPoint>& deliveryPoints();

// Upper case, letters and digits only ("oc-90" finds "OC 90").
QString canonical(QStringView article);
// Every part whose article is the queried one, in catalogue order.
// "BENCH-N" (N from 1 to 500) is an article that N brands make (BENCH1 to BENCHN, oil filters
// at the usual warehouses), so that the width of an answer can be chosen when measuring.
QList<const Part*> partsWithArticle(QStringView article);
// N for "BENCH-N" (in any spelling canonical() reads alike); 0 for every other article.
int benchWidth(QStringView article);
// The part of that brand and article (brand compared case-insensitively); nullptr if none.
const Part* findPart(QStringView brand, QStringView article);
// The other members of the part's groups: its analogues.
QList<const Part*> analoguesOf(const Part& part);

} // namespace SandboxCatalogue
