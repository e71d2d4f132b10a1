#pragma once

// Offer lists of a chosen length for the benchmarks.

#include "core/SupplierOffer.h"

#include <QList>
#include <QStringList>

#include <random>

namespace SyntheticOffers {

using namespace Qt::StringLiterals;

// A realistic answer: the queried article and its analogues from several brands, each
// group with a handful of warehouses, some duplicate lines, a few wrong kinds of part,
// refusal rates, delivery texts and dates, and highlighted portal rows.
inline QList<SupplierOffer> answer(int count) {
    static const QStringList brands{u"MANN"_s,   u"MAHLE"_s,      u"KNECHT"_s, u"BOSCH"_s,  u"FILTRON"_s,
                                    u"SAKURA"_s, u"BIG FILTER"_s, u"UFI"_s,    u"HENGST"_s, u"Fram"_s};
    static const QStringList names{u"Фильтр масляный"_s, u"Фильтр масляный двигателя"_s, u"Масляный фильтр"_s,
                                   u"Oil filter"_s,      u"Фильтр воздушный"_s,          u"Насос масляный"_s};
    static const QStringList colors{u"#F1DD18"_s, u"#CCFF99"_s, u"#CCFFFF"_s, u"#FFFFFF"_s};
    static const struct {
        const char* id;
        const char* name;
    } suppliers[] = {{"autoeuro", "AutoEuro"}, {"autopiter", "Autopiter"}, {"autoliga", "Автолига"}};

    std::mt19937 random(20261206);
    const QDateTime now = QDateTime::currentDateTime();
    QList<SupplierOffer> offers;
    offers.reserve(count);
    int article = 0;
    while (offers.size() < count) {
        // One group: an article of one brand at up to twelve warehouses of one supplier.
        const auto& supplier = suppliers[random() % 3];
        const QString brand = brands[random() % brands.size()];
        const QString articleText =
            article == 0 ? u"W 712/75"_s : QStringLiteral("%1-%2").arg(QChar(u'A' + article % 26)).arg(article);
        const int size = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < size && offers.size() < count; ++i) {
            SupplierOffer o;
            o.supplierID = QString::fromLatin1(supplier.id);
            o.supplierName = QString::fromUtf8(supplier.name);
            o.supplierOfferKey = QStringLiteral("%1-%2").arg(article).arg(i);
            o.brand = brand;
            o.article = articleText;
            o.name = names[random() % 10 < 8 ? random() % 4 : 4 + random() % 2];
            o.price = *Decimal::parse(QStringLiteral("%1.%2").arg(300 + random() % 5000).arg(random() % 100));
            o.currency = u"RUB"_s;
            o.availableQuantity = static_cast<std::int64_t>(random() % 40);
            if (random() % 4 != 0)
                o.deliveryDescription = QStringLiteral("%1 дн.").arg(random() % 20);
            else
                o.deliveryDate = now.addDays(random() % 30);
            if (random() % 10 < 7)
                o.rejectRate = *Decimal::parse(QStringLiteral("%1.%2").arg(random() % 60).arg(random() % 10));
            if (o.supplierID == u"autoliga" && random() % 8 == 0)
                o.rowHighlightColor = colors[random() % colors.size()];
            o.updatedAt = now;
            offers.append(o);
            if (random() % 20 == 0 && offers.size() < count)
                offers.append(o); // the same line twice in one answer
        }
        ++article;
    }
    return offers;
}

// A table of `count` rows that all stay on screen: oil filters in groups of at most three
// offers per brand and article (every one of them useful), no repeats.
inline QList<SupplierOffer> table(int count) {
    QList<SupplierOffer> offers = answer(count);
    for (qsizetype i = 0; i < offers.size(); ++i) {
        SupplierOffer& o = offers[i];
        o.supplierOfferKey = QString::number(i);
        o.article = QStringLiteral("T-%1").arg(i / 3);
        o.name = u"Фильтр масляный"_s;
        o.rowHighlightColor.reset();
    }
    return offers;
}

} // namespace SyntheticOffers
