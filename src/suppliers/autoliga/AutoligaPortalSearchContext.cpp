#include "AutoligaPortalSearchContext.h"

#include "core/UserDefaults.h"

namespace {

const QString kPortalKeyPrefix = QStringLiteral("portal-selection:");

// A list of texts, or nothing when the stored entry is anything else.
std::optional<QStringList> textList(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList texts;
    for (const QVariant& element : value.toList()) {
        if (element.typeId() != QMetaType::QString)
            return std::nullopt;
        texts.append(element.toString());
    }
    return texts;
}

} // namespace

AutoligaPortalSearchContext::AutoligaPortalSearchContext(UserDefaults& defaults)
    : m_defaults(defaults) {
    load();
}

QString AutoligaPortalSearchContext::key() {
    return UserDefaultsKeys::portalOfferOrigins;
}

void AutoligaPortalSearchContext::remember(const QList<SupplierOffer>& offers, const QString& article,
                                           const QString& brand) {
    // Added to the origins as stored now, so those another process remembered meanwhile stay.
    m_defaults.transaction([&] {
        // An unreadable value was kept aside when this context was made; it is replaced now.
        if (const auto stored = m_defaults.mapValue(key()))
            m_searches = fromStored(*stored);
        for (const SupplierOffer& offer : offers) {
            if (offer.supplierOfferKey.startsWith(kPortalKeyPrefix))
                m_searches.insert(offer.supplierOfferKey, QStringList{article, brand});
        }
        // Age plays no part: the greatest keys stay.
        if (m_searches.size() > pruneAbove) {
            while (m_searches.size() > keepAfterPrune)
                m_searches.erase(m_searches.begin());
        }
        save();
    });
}

std::optional<std::pair<QString, QString>> AutoligaPortalSearchContext::lookup(const QString& offerKey) const {
    // A line put into the cart by another process came with an origin that process stored.
    m_defaults.sync();
    if (const auto stored = m_defaults.mapValue(key()))
        m_searches = fromStored(*stored);
    const auto it = m_searches.constFind(offerKey);
    if (it == m_searches.cend() || it->size() != 2)
        return std::nullopt;
    return std::pair{it->at(0), it->at(1)};
}

void AutoligaPortalSearchContext::load() {
    m_searches.clear();
    if (!m_defaults.contains(key()))
        return;
    const auto stored = m_defaults.mapValue(key());
    if (!stored) {
        // Start empty, but keep the user's value: the next save would otherwise destroy it.
        m_defaults.keepAside(key());
        return;
    }
    m_searches = fromStored(*stored);
}

QMap<QString, QStringList> AutoligaPortalSearchContext::fromStored(const QVariantMap& stored) {
    // A damaged entry costs that entry only.
    QMap<QString, QStringList> searches;
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        if (auto texts = textList(it.value()))
            searches.insert(it.key(), std::move(*texts));
    }
    return searches;
}

void AutoligaPortalSearchContext::save() {
    QVariantMap map;
    for (auto it = m_searches.cbegin(); it != m_searches.cend(); ++it)
        map.insert(it.key(), it.value());
    m_defaults.setMap(key(), map);
}
