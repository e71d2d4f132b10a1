#include "OfferSemanticGuard.h"

#include "core/TextUtils.h"

#include <QHash>
#include <QHashFunctions>

#include <algorithm>
#include <array>
#include <limits>

namespace OfferSemanticGuard {

namespace {

struct TypeWords {
    PartType type;
    bool hasPurpose;
    QSet<QString> words;
};

struct PurposeWords {
    Purpose purpose;
    QSet<QString> words;
};

QSet<QString> wordSet(std::initializer_list<const char16_t*> words) {
    QSet<QString> set;
    for (const char16_t* w : words)
        set.insert(QString::fromUtf16(w));
    return set;
}

// Tried in this order; the first list that matches decides.
const std::array<TypeWords, 8>& typeLists() {
    static const std::array<TypeWords, 8> lists{{
        {PartType::valve, true,
         wordSet({u"клапан", u"клапана", u"клапаны", u"клапанов", u"клапану", u"valve", u"valves"})},
        {PartType::pump, true,
         wordSet({u"насос", u"насоса", u"насосы", u"насосов", u"насосу", u"pump", u"pumps", u"тнвд"})},
        {PartType::filter, true,
         wordSet({u"фильтр", u"фильтра", u"фильтры", u"фильтров", u"фильтру", u"filter", u"filters"})},
        {PartType::bearing, false,
         wordSet({u"подшипник", u"подшипника", u"подшипники", u"подшипников", u"bearing", u"bearings"})},
        {PartType::mount, false,
         wordSet({u"опора", u"опоры", u"опору", u"опоре", u"подушка", u"подушки", u"подушку", u"mount", u"mounting"})},
        {PartType::bolt, false, wordSet({u"болт", u"болта", u"болты", u"болтов", u"bolt", u"bolts"})},
        {PartType::nut, false, wordSet({u"гайка", u"гайки", u"гайку", u"гаек", u"nut", u"nuts"})},
        {PartType::leafSpring, false,
         wordSet({u"рессора", u"рессоры", u"рессору", u"рессорный", u"рессорная", u"leafspring"})},
    }};
    return lists;
}

const std::array<PurposeWords, 4>& purposeLists() {
    static const std::array<PurposeWords, 4> lists{{
        {Purpose::air, wordSet({u"воздушный", u"воздушного", u"воздушные", u"воздуха", u"air"})},
        {Purpose::oil, wordSet({u"масляный", u"масляного", u"масляные", u"масла", u"oil"})},
        {Purpose::fuel,
         wordSet({u"топливный", u"топливного", u"топливные", u"топлива", u"топливной", u"fuel", u"diesel"})},
        {Purpose::cabin, wordSet({u"салонный", u"салонного", u"салонные", u"салона", u"cabin"})},
    }};
    return lists;
}

// (key, votes) pairs sorted by votes descending, then raw value ascending; the first
// wins when it is alone or outvotes all the others together.
template <typename Key> std::optional<std::pair<Key, qsizetype>> strictMajority(const QHash<Key, qsizetype>& counts) {
    if (counts.isEmpty())
        return std::nullopt;
    std::vector<std::pair<Key, qsizetype>> sorted(counts.keyValueBegin(), counts.keyValueEnd());
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        if (a.second != b.second)
            return a.second > b.second;
        return rawValue(a.first) < rawValue(b.first);
    });
    qsizetype others = 0;
    for (size_t i = 1; i < sorted.size(); ++i)
        others += sorted[i].second;
    if (sorted.size() == 1 || sorted.front().second > others)
        return sorted.front();
    return std::nullopt;
}

} // namespace

QString rawValue(PartType type) {
    switch (type) {
    case PartType::filter:
        return QStringLiteral("filter");
    case PartType::pump:
        return QStringLiteral("pump");
    case PartType::valve:
        return QStringLiteral("valve");
    case PartType::bearing:
        return QStringLiteral("bearing");
    case PartType::mount:
        return QStringLiteral("mount");
    case PartType::bolt:
        return QStringLiteral("bolt");
    case PartType::nut:
        return QStringLiteral("nut");
    case PartType::leafSpring:
        return QStringLiteral("leafSpring");
    }
    return {};
}

QString rawValue(Purpose purpose) {
    switch (purpose) {
    case Purpose::air:
        return QStringLiteral("air");
    case Purpose::oil:
        return QStringLiteral("oil");
    case Purpose::fuel:
        return QStringLiteral("fuel");
    case Purpose::cabin:
        return QStringLiteral("cabin");
    }
    return {};
}

size_t qHash(const Meaning& m, size_t seed) {
    return qHashMulti(seed, static_cast<int>(m.partType), m.purpose.has_value(),
                      m.purpose ? static_cast<int>(*m.purpose) : -1);
}

QString canonicalPartNumber(QStringView text) {
    return TextUtils::canonicalPartNumber(text);
}

namespace {

// Calls f with every word of the text: lower case, "ё" read as "е", split at every
// character that is neither a letter, a digit nor a combining mark.
template <typename F> void forEachWord(QStringView text, F&& f) {
    QString lower = text.toString().toLower();
    lower.replace(u'ё', u'е');
    qsizetype start = -1;
    for (qsizetype i = 0; i <= lower.size(); ++i) {
        bool alphanumeric = false;
        if (i < lower.size()) {
            const QChar c = lower.at(i);
            alphanumeric = c.isLetterOrNumber() || c.isMark();
        }
        if (alphanumeric && start < 0) {
            start = i;
        } else if (!alphanumeric && start >= 0) {
            f(lower.mid(start, i - start));
            start = -1;
        }
    }
}

// Word → position of its list in the order the lists are tried.
const QHash<QString, int>& typeIndex() {
    static const QHash<QString, int> index = [] {
        QHash<QString, int> map;
        for (int i = 0; i < static_cast<int>(typeLists().size()); ++i) {
            for (const auto& w : typeLists()[static_cast<size_t>(i)].words)
                map.insert(w, i);
        }
        return map;
    }();
    return index;
}

const QHash<QString, int>& purposeIndex() {
    static const QHash<QString, int> index = [] {
        QHash<QString, int> map;
        for (int i = 0; i < static_cast<int>(purposeLists().size()); ++i) {
            for (const auto& w : purposeLists()[static_cast<size_t>(i)].words)
                map.insert(w, i);
        }
        return map;
    }();
    return index;
}

// Descriptions repeat a lot in one answer; each distinct one is read once per call.
class MeaningCache {
public:
    std::optional<Meaning> operator()(const QString& name) {
        const auto it = m_cache.constFind(name);
        if (it != m_cache.constEnd())
            return *it;
        const auto m = meaning(name);
        m_cache.insert(name, m);
        return m;
    }

private:
    QHash<QString, std::optional<Meaning>> m_cache;
};

std::optional<CanonicalIdentity> vote(const QList<SupplierOffer>& offers, const QString& queryArticle,
                                      MeaningCache& meanings);

} // namespace

QSet<QString> normalizedWords(QStringView text) {
    QSet<QString> words;
    forEachWord(text, [&](QString word) { words.insert(std::move(word)); });
    return words;
}

std::optional<Purpose> detectedPurpose(const QSet<QString>& words) {
    for (const auto& list : purposeLists()) {
        if (words.intersects(list.words))
            return list.purpose;
    }
    return std::nullopt;
}

// The same as matching normalizedWords() against the lists in order, without building the set.
std::optional<Meaning> meaning(QStringView text) {
    constexpr int kNone = std::numeric_limits<int>::max();
    int type = kNone;
    int purpose = kNone;
    forEachWord(text, [&](const QString& word) {
        if (const auto it = typeIndex().constFind(word); it != typeIndex().constEnd())
            type = std::min(type, *it);
        if (const auto it = purposeIndex().constFind(word); it != purposeIndex().constEnd())
            purpose = std::min(purpose, *it);
    });
    if (type == kNone)
        return std::nullopt;
    const auto& list = typeLists()[static_cast<size_t>(type)];
    if (list.hasPurpose && purpose != kNone)
        return Meaning{list.type, purposeLists()[static_cast<size_t>(purpose)].purpose};
    return Meaning{list.type, std::nullopt};
}

std::optional<CanonicalIdentity> canonicalIdentity(const QList<SupplierOffer>& offers, const QString& queryArticle) {
    MeaningCache meanings;
    return vote(offers, queryArticle, meanings);
}

namespace {

// Whether canonicalPartNumber(text) == canonical, without building the text for plain ASCII
// (nearly every article): it is asked once per offer.
bool hasCanonicalNumber(QStringView text, QStringView canonical) {
    qsizetype matched = 0;
    for (const QChar c : text) {
        char16_t u = c.unicode();
        if (u >= 0x80)
            return canonicalPartNumber(text) == canonical;
        if (u >= u'a' && u <= u'z')
            u = static_cast<char16_t>(u - u'a' + u'A');
        else if (!((u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9')))
            continue;
        if (matched == canonical.size() || canonical[matched] != u)
            return false;
        ++matched;
    }
    return matched == canonical.size();
}

std::optional<CanonicalIdentity> vote(const QList<SupplierOffer>& offers, const QString& queryArticle,
                                      MeaningCache& meanings) {
    const QString q = canonicalPartNumber(queryArticle);
    QList<QString> brandOrder;
    QHash<QString, QList<const SupplierOffer*>> groups;
    for (const auto& offer : offers) {
        if (!hasCanonicalNumber(offer.article, q))
            continue;
        const QString brand = TextUtils::trimmedUpper(offer.brand);
        if (!groups.contains(brand))
            brandOrder.append(brand);
        groups[brand].append(&offer);
    }
    if (groups.isEmpty())
        return std::nullopt;

    std::vector<BrandConsensus> consensuses;
    for (const auto& brand : brandOrder) {
        const auto& group = groups[brand];
        QList<Meaning> recognized;
        for (const SupplierOffer* offer : group) {
            if (auto m = meanings(offer->name))
                recognized.append(*m);
        }
        if (recognized.isEmpty())
            continue;
        QHash<PartType, qsizetype> typeVotes;
        for (const auto& m : recognized)
            ++typeVotes[m.partType];
        const auto agreedType = strictMajority(typeVotes);
        if (!agreedType)
            continue;
        QHash<Purpose, qsizetype> purposeVotes;
        for (const auto& m : recognized) {
            if (m.partType == agreedType->first && m.purpose)
                ++purposeVotes[*m.purpose];
        }
        std::optional<Purpose> purpose;
        if (const auto agreedPurpose = strictMajority(purposeVotes))
            purpose = agreedPurpose->first;
        consensuses.push_back(
            {brand, Meaning{agreedType->first, purpose}, agreedType->second, recognized.size(), group.size()});
    }
    if (consensuses.empty())
        return std::nullopt;

    std::sort(consensuses.begin(), consensuses.end(), [](const BrandConsensus& a, const BrandConsensus& b) {
        if (a.votes != b.votes)
            return a.votes > b.votes;
        if (a.recognized != b.recognized)
            return a.recognized > b.recognized;
        if (a.exactRows != b.exactRows)
            return a.exactRows > b.exactRows;
        return a.brand < b.brand;
    });
    const BrandConsensus& top = consensuses.front();
    for (size_t i = 1; i < consensuses.size(); ++i) {
        const auto& other = consensuses[i];
        if (other.votes == top.votes && other.recognized == top.recognized &&
            other.meaning.partType != top.meaning.partType)
            return std::nullopt;
    }
    return CanonicalIdentity{q, {top.brand}, top.meaning};
}

} // namespace

QList<SupplierOffer> filter(QList<SupplierOffer> offers, const QString& queryArticle) {
    if (offers.size() < 2)
        return offers;
    const QString q = canonicalPartNumber(queryArticle);
    if (q.isEmpty())
        return offers;
    // Read without detaching, so that a list where nothing is dropped comes back shared.
    const QList<SupplierOffer>& input = offers;
    MeaningCache meanings;
    const auto identity = vote(input, q, meanings);
    if (!identity)
        return offers;
    const auto keep = [&](const SupplierOffer& offer) {
        const auto m = meanings(offer.name);
        return !m || (m->partType == identity->meaning.partType &&
                      (!m->purpose || !identity->meaning.purpose || m->purpose == identity->meaning.purpose));
    };
    qsizetype firstDropped = 0;
    while (firstDropped < input.size() && keep(input[firstDropped]))
        ++firstDropped;
    if (firstDropped == input.size())
        return offers;
    // The kept ones move up in place: no offer is copied unless the list was shared.
    auto out = offers.begin() + firstDropped;
    for (qsizetype i = firstDropped + 1; i < offers.size(); ++i) {
        if (keep(std::as_const(offers)[i]))
            *out++ = std::move(offers[i]);
    }
    offers.erase(out, offers.end());
    return offers;
}

} // namespace OfferSemanticGuard
