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
    reload();
    // The window learns of changes made by orelia-cli or another window.
    connect(&m_defaults.notifier(), &UserDefaultsNotifier::changedElsewhere, this, &CartStore::reload);
}

QString CartStore::defaultsKey() {
    return UserDefaultsKeys::cart;
}

bool CartStore::contains(const SupplierOffer& offer) const {
    return indexOf(offer.id()) >= 0;
}

namespace {

// At least 1, at most the stock when the supplier stated one (and stock 0 still allows 1).
std::int64_t allowedQuantity(const CartItem& item, std::int64_t wanted) {
    std::int64_t q = std::max<std::int64_t>(wanted, 1);
    if (item.availableQuantity)
        q = std::min(q, std::max<std::int64_t>(*item.availableQuantity, 1));
    return q;
}

} // namespace

bool CartStore::add(const SupplierOffer& offer, std::optional<std::int64_t> quantity, const QString& askedArticle) {
    CartItem item = CartItem::supplierOffer(offer, QDateTime::currentDateTimeUtc());
    if (!askedArticle.isEmpty())
        item.askedArticle = askedArticle;
    if (!std::isfinite(item.unitPrice))
        return false;
    if (quantity)
        item.quantity = allowedQuantity(item, *quantity);
    return apply([&item](QList<CartItem>& items) {
        if (indexIn(items, item.id) >= 0)
            return false;
        items.append(item);
        return true;
    });
}

void CartStore::setQuantity(const QString& id, std::int64_t quantity) {
    apply([&](QList<CartItem>& items) {
        const qsizetype i = indexIn(items, id);
        if (i < 0 || items[i].quantity == allowedQuantity(items[i], quantity))
            return false;
        items[i].quantity = allowedQuantity(items[i], quantity);
        return true;
    });
}

// Steps from the quantity as stored now, so two windows stepping at once both count.
void CartStore::increment(const QString& id) {
    apply([&](QList<CartItem>& items) {
        const qsizetype i = indexIn(items, id);
        if (i < 0 || items[i].quantity == kMaxQuantity)
            return false;
        const std::int64_t q = allowedQuantity(items[i], items[i].quantity + 1);
        const bool changed = q != items[i].quantity;
        items[i].quantity = q;
        return changed;
    });
}

void CartStore::decrement(const QString& id) {
    apply([&](QList<CartItem>& items) {
        const qsizetype i = indexIn(items, id);
        if (i < 0 || items[i].quantity <= 1)
            return false;
        items[i].quantity = allowedQuantity(items[i], items[i].quantity - 1);
        return true;
    });
}

void CartStore::remove(const QString& id) {
    apply([&id](QList<CartItem>& items) {
        return items.removeIf([&id](const CartItem& item) { return item.id == id; }) > 0;
    });
}

void CartStore::clearSupplier(const QString& supplierID) {
    apply([&supplierID](QList<CartItem>& items) {
        return items.removeIf([&supplierID](const CartItem& item) { return item.supplierID == supplierID; }) > 0;
    });
}

bool CartStore::acceptTerms(const QString& id, const CartFreshTerms& terms) {
    if (!std::isfinite(terms.unitPrice))
        return false;
    return apply([&](QList<CartItem>& items) {
        const qsizetype i = indexIn(items, id);
        if (i < 0)
            return false;
        CartItem& line = items[i];
        const CartItem before = line;
        line.unitPrice = terms.unitPrice;
        line.availableQuantity = terms.availableQuantity;
        line.deliveryTime = terms.deliveryTime;
        line.warehouse = terms.warehouse;
        line.quantity = allowedQuantity(line, line.quantity);
        return line != before;
    });
}

void CartStore::restore(const QList<std::pair<qsizetype, CartItem>>& lines) {
    QList<std::pair<qsizetype, CartItem>> ordered = lines;
    std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    apply([&ordered](QList<CartItem>& items) {
        bool changed = false;
        for (const auto& [index, line] : ordered) {
            if (indexIn(items, line.id) >= 0)
                continue;
            items.insert(std::clamp<qsizetype>(index, 0, items.size()), line);
            changed = true;
        }
        return changed;
    });
}

void CartStore::reload() {
    QList<CartItem> items;
    // Keeping aside and rewriting a damaged value are changes of their own: under the lock.
    if (!m_defaults.transaction([&] { items = storedItems(); })) {
        // No lock to be had (or no file to read): show what can be read, change nothing.
        const auto data = m_defaults.dataValue(defaultsKey());
        const auto lines = data ? CartItem::decodeReadableLines(*data) : std::nullopt;
        items = lines ? lines->items : QList<CartItem>();
    }
    adopt(std::move(items));
}

bool CartStore::apply(const std::function<bool(QList<CartItem>&)>& change) {
    QList<CartItem> items;
    bool changed = false;
    m_lastChangeSaved = m_defaults.transaction([&] {
        items = storedItems();
        changed = change(items);
        if (changed)
            m_defaults.setData(defaultsKey(), CartItem::encodeList(items));
    });
    if (!m_lastChangeSaved) {
        // Nothing was written: the cart is what is stored.
        reload();
        return false;
    }
    adopt(std::move(items));
    return changed;
}

void CartStore::adopt(QList<CartItem> items) {
    if (items == m_items)
        return;
    m_items = std::move(items);
    Q_EMIT changed();
}

QList<CartItem> CartStore::storedItems() {
    if (!m_defaults.contains(defaultsKey()))
        return {};
    // A cart edited by hand may stand in the file as plain text, which QSettings reads as a
    // list wherever it holds a comma: read the line as written then.
    std::optional<QByteArray> data = m_defaults.dataValue(defaultsKey());
    auto lines = data ? CartItem::decodeReadableLines(*data) : std::nullopt;
    if (!lines) {
        data = m_defaults.rawValue(defaultsKey());
        lines = data ? CartItem::decodeReadableLines(*data) : std::nullopt;
    }
    const bool damaged = !lines || lines->unreadable > 0;
    if (damaged) {
        // Keep the user's bytes as they stand before anything rewrites them.
        const QString aside = m_defaults.keepAside(defaultsKey());
        if (!aside.isEmpty())
            m_keptAsideKey = aside;
    }
    QList<CartItem> items = lines ? std::move(lines->items) : QList<CartItem>();
    // The readable lines in the stored form at once: left as hand-written text, the value
    // would be rewritten by QSettings at the next write of any key, as it read it.
    if (damaged || !m_defaults.holdsData(defaultsKey()))
        m_defaults.setData(defaultsKey(), CartItem::encodeList(items));
    return items;
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

QList<SupplierCartGroup> CartStore::groupsOf(const QList<CartItem>& items, const QLocale& locale) {
    QList<SupplierCartGroup> groups;
    QHash<QString, qsizetype> indexOfSupplier;
    for (const CartItem& item : items) {
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

qsizetype CartStore::indexIn(const QList<CartItem>& items, const QString& id) {
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i].id == id)
            return i;
    }
    return -1;
}

qsizetype CartStore::indexOf(const QString& id) const {
    return indexIn(m_items, id);
}
