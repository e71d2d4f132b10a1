#include "CartStore.h"

#include "core/UserDefaults.h"

#include <QCollator>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::int64_t kMaxQuantity = std::numeric_limits<std::int64_t>::max();

} // namespace

CartStore::CartStore(UserDefaults& defaults, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults) {
    load();
}

QString CartStore::defaultsKey() {
    return UserDefaultsKeys::cart;
}

bool CartStore::contains(const SupplierOffer& offer) const {
    return indexOf(offer.id()) >= 0;
}

bool CartStore::add(const SupplierOffer& offer, const QString& askedArticle) {
    CartItem item = CartItem::supplierOffer(offer, QDateTime::currentDateTimeUtc());
    if (!askedArticle.isEmpty())
        item.askedArticle = askedArticle;
    if (!std::isfinite(item.unitPrice) || indexOf(item.id) >= 0)
        return false;
    m_items.append(std::move(item));
    commit();
    return true;
}

void CartStore::setQuantity(const QString& id, std::int64_t quantity) {
    const qsizetype i = indexOf(id);
    if (i < 0)
        return;
    std::int64_t q = std::max<std::int64_t>(quantity, 1);
    if (const auto available = m_items[i].availableQuantity)
        q = std::min(q, std::max<std::int64_t>(*available, 1));
    m_items[i].quantity = q;
    commit();
}

void CartStore::increment(const QString& id) {
    const qsizetype i = indexOf(id);
    if (i < 0)
        return;
    const std::int64_t q = m_items[i].quantity;
    setQuantity(id, q == kMaxQuantity ? q : q + 1);
}

void CartStore::decrement(const QString& id) {
    const qsizetype i = indexOf(id);
    if (i < 0 || m_items[i].quantity <= 1)
        return;
    setQuantity(id, m_items[i].quantity - 1);
}

void CartStore::remove(const QString& id) {
    if (m_items.removeIf([&id](const CartItem& item) { return item.id == id; }) > 0)
        commit();
}

void CartStore::clearSupplier(const QString& supplierID) {
    if (m_items.removeIf([&supplierID](const CartItem& item) { return item.supplierID == supplierID; }) > 0)
        commit();
}

std::int64_t CartStore::totalItemCount() const {
    std::int64_t total = 0;
    for (const CartItem& item : m_items) {
        // Quantities are at least 1, so only the upper end can overflow.
        if (item.quantity > kMaxQuantity - total)
            return kMaxQuantity;
        total += item.quantity;
    }
    return total;
}

QList<SupplierCartGroup> CartStore::groups(const QLocale& locale) const {
    QList<SupplierCartGroup> groups;
    QHash<QString, qsizetype> indexOfSupplier;
    for (const CartItem& item : m_items) {
        auto it = indexOfSupplier.constFind(item.supplierID);
        if (it == indexOfSupplier.constEnd()) {
            it = indexOfSupplier.insert(item.supplierID, groups.size());
            groups.append(SupplierCartGroup{item.supplierID, item.supplierName, {}});
        }
        groups[*it].items.append(item);
    }
    for (SupplierCartGroup& group : groups) {
        std::stable_sort(group.items.begin(), group.items.end(), [](const CartItem& a, const CartItem& b) {
            const int byBrand = QString::compare(a.brand, b.brand, Qt::CaseSensitive);
            if (byBrand != 0)
                return byBrand < 0;
            return QString::compare(a.article, b.article, Qt::CaseSensitive) < 0;
        });
    }
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(groups.begin(), groups.end(), [&collator](const SupplierCartGroup& a, const SupplierCartGroup& b) {
        return collator.compare(a.supplierName, b.supplierName) < 0;
    });
    return groups;
}

void CartStore::load() {
    if (!m_defaults.contains(defaultsKey()))
        return;
    // A cart edited by hand may stand in the file as plain text, which QSettings reads as a
    // list wherever it holds a comma: read the line as written then.
    std::optional<QByteArray> data = m_defaults.dataValue(defaultsKey());
    auto lines = data ? CartItem::decodeReadableLines(*data) : std::nullopt;
    if (!lines) {
        data = m_defaults.rawValue(defaultsKey());
        lines = data ? CartItem::decodeReadableLines(*data) : std::nullopt;
    }
    if (lines)
        m_items = std::move(lines->items);
    if (!lines || lines->unreadable > 0) {
        // Keep the user's bytes as they stand: the next save rewrites the value from the
        // lines that could be read.
        m_keptAsideKey = m_defaults.keepAside(defaultsKey());
    }
}

void CartStore::save() {
    m_defaults.setData(defaultsKey(), CartItem::encodeList(m_items));
}

void CartStore::commit() {
    save();
    Q_EMIT changed();
}

qsizetype CartStore::indexOf(const QString& id) const {
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        if (m_items[i].id == id)
            return i;
    }
    return -1;
}
