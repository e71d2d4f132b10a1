#include "SandboxCatalogue.h"

#include <cmath>
#include <map>
#include <memory>
#include <mutex>

namespace SandboxCatalogue {

namespace {

struct PartSeed {
    const char16_t* brand;
    const char16_t* article;
    const char16_t* name;
    double basePrice;
    std::int64_t packing;
};

// FNV-1a: stable across runs and platforms, unlike qHash.
std::uint64_t stableHash(const QString& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const QChar c : text) {
        hash ^= c.unicode();
        hash *= 1099511628211ull;
    }
    return hash;
}

Part makePart(QString brand, QString article, QString name, double basePrice, std::int64_t packing) {
    Part part{std::move(brand), std::move(article), std::move(name), basePrice, packing, {}};
    const std::uint64_t hash = stableHash(part.brand + u'|' + part.article);
    const auto& all = warehouses();
    for (qsizetype i = 0; i < all.size(); ++i) {
        // Every part is at the own warehouse or at the first partner; others by chance.
        const bool stocked = static_cast<std::uint64_t>(i) == (hash % 2) || ((hash >> (8 + i)) & 1) == 1;
        if (!stocked)
            continue;
        const Warehouse& w = all.at(i);
        const double price = std::round(basePrice * w.priceFactor * 100.0) / 100.0;
        const std::int64_t stock = static_cast<std::int64_t>((hash >> (16 + 4 * i)) % 40) + (i == 0 ? 2 : 0);
        const QString key = QStringLiteral("%1-%2").arg(w.key).arg(
            stableHash(part.brand + part.article + w.key) % 100000000ull, 8, 10, QChar(u'0'));
        part.lines.append({&w, key, price, stock});
    }
    return part;
}

Part makePart(const PartSeed& seed) {
    return makePart(QString::fromUtf16(seed.brand), QString::fromUtf16(seed.article), QString::fromUtf16(seed.name),
                    seed.basePrice, seed.packing);
}

Group makeGroup(std::initializer_list<PartSeed> seeds) {
    Group group;
    for (const auto& seed : seeds)
        group.parts.append(makePart(seed));
    return group;
}

constexpr int kMaxBenchWidth = 500;

// The parts of "BENCH-N", made on first use and kept, so that the pointers stay valid.
QList<const Part*> benchParts(int width) {
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<const QList<Part>>> made;
    std::lock_guard lock(mutex);
    auto& parts = made[width];
    if (!parts) {
        QList<Part> list;
        for (int i = 1; i <= width; ++i)
            list.append(makePart(QStringLiteral("BENCH%1").arg(i), QStringLiteral("BENCH-%1").arg(width),
                                 QStringLiteral("Фильтр масляный"), 300.0 + 7.0 * i, 1));
        parts = std::make_unique<const QList<Part>>(std::move(list));
    }
    QList<const Part*> found;
    for (const Part& part : *parts)
        found.append(&part);
    return found;
}

QList<Group> buildGroups() {
    return {
        makeGroup({
            {u"MAHLE", u"OC 90", u"Фильтр масляный", 412.0, 1},
            {u"KNECHT", u"OC 90", u"Фильтр масляный двигателя", 398.5, 1},
            {u"MANN-FILTER", u"W 914/2", u"Фильтр масляный", 455.0, 1},
            {u"FILTRON", u"OP 520", u"Фильтр масляный", 289.9, 1},
            {u"BOSCH", u"0 451 103 079", u"Фильтр масляный", 507.0, 1},
            {u"LADA", u"21050-1012005-00", u"Фильтр очистки масла", 356.0, 1},
            // Wrong kinds that cross-reference tables still list.
            {u"BIG FILTER", u"GB-91", u"Фильтр воздушный", 310.0, 1},
            {u"HEPU", u"P 100", u"Насос масляный", 2480.0, 1},
        }),
        makeGroup({
            {u"MANN-FILTER", u"W 712/75", u"Фильтр масляный", 612.0, 1},
            {u"MAHLE", u"OC 456", u"Фильтр масляный", 598.0, 1},
            {u"FILTRON", u"OP 641/1", u"Фильтр масляный", 402.0, 1},
            {u"BOSCH", u"F 026 407 022", u"Фильтр масляный", 655.0, 1},
            {u"VAG", u"03C 115 561 H", u"Фильтр масляный оригинал", 1180.0, 1},
        }),
        makeGroup({
            {u"MANN+HUMMEL", u"C 27 009", u"Фильтр воздушный", 1290.0, 1},
            {u"MANN-FILTER", u"C 27 009", u"Фильтр воздушный двигателя", 1315.0, 1},
            {u"MAHLE", u"LX 1566", u"Фильтр воздушный", 1102.0, 1},
            {u"FILTRON", u"AP 139/2", u"Фильтр воздушный", 845.0, 1},
            {u"BOSCH", u"F 026 400 287", u"Фильтр воздушный", 1210.0, 1},
            {u"SAKURA", u"A-1029", u"Фильтр салонный", 640.0, 1},
        }),
        makeGroup({
            {u"MANN-FILTER", u"CU 2939", u"Фильтр салонный", 715.0, 1},
            {u"MAHLE", u"LA 109", u"Фильтр салонный", 690.0, 1},
            {u"FILTRON", u"K 1111", u"Фильтр салона", 455.0, 1},
            {u"BOSCH", u"1 987 432 097", u"Фильтр салонный угольный", 980.0, 1},
        }),
        makeGroup({
            {u"MANN-FILTER", u"WK 842/2", u"Фильтр топливный", 905.0, 1},
            {u"MAHLE", u"KL 145", u"Фильтр топливный", 870.0, 1},
            {u"BOSCH", u"0 450 905 021", u"Фильтр топливный", 940.0, 1},
            {u"FILTRON", u"PP 836/2", u"Фильтр топливный", 610.0, 1},
        }),
        makeGroup({
            {u"HEPU", u"P 542", u"Насос водяной (помпа)", 2350.0, 1},
            {u"GRAF", u"PA 1022", u"Насос водяной", 2710.0, 1},
            {u"SKF", u"VKPC 81418", u"Насос водяной", 3120.0, 1},
            {u"LUZAR", u"LWP 0108", u"Насос водяной ВАЗ 2108", 1590.0, 1},
            {u"GATES", u"K015492XS", u"Комплект ремня ГРМ с помпой", 7350.0, 1},
            {u"LUZAR", u"LFOF 0101", u"Фильтр масляный", 280.0, 1},
        }),
        makeGroup({
            {u"BOSCH", u"0 580 464 038", u"Насос топливный электрический", 6890.0, 1},
            {u"VDO", u"E22-041-084Z", u"Насос топливный", 7420.0, 1},
            {u"PIERBURG", u"7.22156.50.0", u"Насос топливный", 8150.0, 1},
            {u"BOSCH", u"F 026 402 062", u"Фильтр топливный", 1150.0, 1},
        }),
        makeGroup({
            {u"SKF", u"VKBA 3637", u"Подшипник ступицы, комплект", 3890.0, 1},
            {u"FAG", u"713 6106 90", u"Подшипник ступицы", 4120.0, 1},
            {u"SNR", u"R141.09", u"Подшипник ступицы", 3560.0, 1},
            {u"SKF", u"VKJA 5306", u"Шрус наружный", 6200.0, 1},
        }),
        makeGroup({
            {u"TRW", u"GDB 1550", u"Колодки тормозные дисковые передние", 2340.0, 1},
            {u"ATE", u"13.0460-2783.2", u"Колодки тормозные передние", 2610.0, 1},
            {u"BREMBO", u"P 85 075", u"Колодки тормозные дисковые", 2980.0, 1},
            {u"TEXTAR", u"2410401", u"Колодки тормозные", 2750.0, 1},
            {u"FERODO", u"FDB1617", u"Колодки тормозные передние", 2190.0, 1},
        }),
        makeGroup({
            {u"NGK", u"BKR6E", u"Свеча зажигания", 260.0, 4},
            {u"BOSCH", u"0 242 235 666", u"Свеча зажигания", 310.0, 4},
            {u"DENSO", u"K20PR-U", u"Свеча зажигания", 295.0, 4},
            {u"CHAMPION", u"RC9YC", u"Свеча зажигания", 215.0, 4},
        }),
        makeGroup({
            {u"GATES", u"5492XS", u"Ремень ГРМ", 1380.0, 1},
            {u"CONTITECH", u"CT1026", u"Ремень зубчатый ГРМ", 1460.0, 1},
            {u"DAYCO", u"94891", u"Ремень ГРМ", 1250.0, 1},
        }),
        makeGroup({
            {u"LEMFÖRDER", u"37914 01", u"Опора двигателя", 4320.0, 1},
            {u"FEBI", u"22779", u"Подушка двигателя", 3650.0, 1},
            {u"CORTECO", u"80001425", u"Опора двигателя правая", 3990.0, 1},
            {u"SWAG", u"30 13 0018", u"Болт крепления опоры", 180.0, 10},
        }),
        makeGroup({
            {u"INA", u"534 0011 10", u"Ролик натяжной ремня ГРМ", 2890.0, 1},
            {u"SKF", u"VKM 11130", u"Ролик натяжной", 2640.0, 1},
            {u"GATES", u"T43042", u"Ролик натяжителя ремня", 2510.0, 1},
        }),
        makeGroup({
            {u"SACHS", u"3000 951 015", u"Комплект сцепления", 11800.0, 1},
            {u"LUK", u"620 3062 00", u"Комплект сцепления", 12450.0, 1},
            {u"VALEO", u"826317", u"Комплект сцепления", 10900.0, 1},
        }),
    };
}

} // namespace

const QList<Warehouse>& warehouses() {
    static const QList<Warehouse> list = {
        {QStringLiteral("CHL"), QStringLiteral("Челябинск, склад на Линейной"), 0, 1.00, 0.4, true},
        {QStringLiteral("EKB"), QStringLiteral("Екатеринбург, склад партнёра"), 2, 0.94, 2.35, true},
        {QStringLiteral("MSK"), QStringLiteral("Москва, склад партнёра"), 5, 0.87, 7.5, true},
        {QStringLiteral("DXB"), QStringLiteral("ОАЭ, заказной склад"), 21, 0.71, 27.8, false},
    };
    return list;
}

const QList<DeliveryPoint>& deliveryPoints() {
    static const QList<DeliveryPoint> list = {
        {QStringLiteral("MSK-01"), QStringLiteral("Москва, Каширское шоссе"), QStringLiteral("0")},
        {QStringLiteral("EKB-02"), QStringLiteral("Екатеринбург, ул. Монтажников"), QStringLiteral("2")},
        {QStringLiteral("CHL-07"), QStringLiteral("г. Челябинск, ул. Линейная 98"), QStringLiteral("2")},
        {QStringLiteral("TMN-03"), QStringLiteral("Тюмень, ул. Республики"), QStringLiteral("2")},
    };
    return list;
}

const QList<Group>& groups() {
    static const QList<Group> list = buildGroups();
    return list;
}

QString canonical(QStringView article) {
    QString result;
    for (const QChar c : article.toString().toUpper()) {
        if (c.isLetterOrNumber())
            result += c;
    }
    return result;
}

int benchWidth(QStringView article) {
    const QString wanted = canonical(article);
    if (!wanted.startsWith(u"BENCH"))
        return 0;
    bool ok = false;
    const int width = wanted.mid(5).toInt(&ok);
    return ok && width >= 1 && width <= kMaxBenchWidth && wanted.mid(5) == QString::number(width) ? width : 0;
}

QList<const Part*> partsWithArticle(QStringView article) {
    if (const int width = benchWidth(article))
        return benchParts(width);
    const QString wanted = canonical(article);
    QList<const Part*> found;
    if (wanted.isEmpty())
        return found;
    for (const auto& group : groups()) {
        for (const auto& part : group.parts) {
            if (canonical(part.article) == wanted && !found.contains(&part))
                found.append(&part);
        }
    }
    return found;
}

const Part* findPart(QStringView brand, QStringView article) {
    for (const Part* part : partsWithArticle(article)) {
        if (part->brand.compare(brand, Qt::CaseInsensitive) == 0)
            return part;
    }
    return nullptr;
}

QList<const Part*> analoguesOf(const Part& part) {
    QList<const Part*> result;
    for (const auto& group : groups()) {
        bool member = false;
        for (const auto& p : group.parts)
            member = member || &p == &part;
        if (!member)
            continue;
        for (const auto& p : group.parts) {
            if (&p != &part && !result.contains(&p))
                result.append(&p);
        }
    }
    return result;
}

} // namespace SandboxCatalogue
