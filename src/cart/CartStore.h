#pragma once

#include "CartFreshness.h"
#include "CartItem.h"
#include "core/SupplierOffer.h"

#include <QList>
#include <QLocale>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class UserDefaults;

// The offers the user means to order, one line per offer, kept in the user defaults store.
// The window, orelia-cli and scripts share it: every change is applied to the cart as stored
// at that moment (under the settings lock) and saved at once, so no process undoes another's
// change; a change made elsewhere reaches this store through reload(). Lives on the UI thread.
class CartStore : public QObject {
    Q_OBJECT

public:
    explicit CartStore(UserDefaults& defaults, QObject* parent = nullptr);

    // Where the cart is stored.
    static QString defaultsKey();
    // Said instead of "Корзина пуста." when the stored cart could not be read in full.
    static QString unreadableMessage() {
        return QStringLiteral("Корзину не удалось прочитать; она сохранена отдельно.");
    }

    // When the stored cart could not be read in full, the key under which its raw value was
    // kept aside (its readable lines are in the cart); empty otherwise.
    QString keptAsideKey() const { return m_keptAsideKey; }

    const QList<CartItem>& items() const { return m_items; }
    bool contains(const SupplierOffer& offer) const;
    // False when the offer is already in the cart (or its price is not a usable number), or
    // when the cart could not be saved (see lastChangeSaved). With a quantity, the new line
    // gets it (within the stock) in the same change. `askedArticle`: the article a priced list
    // asked for, kept with the line.
    bool add(const SupplierOffer& offer, std::optional<std::int64_t> quantity = std::nullopt,
             const QString& askedArticle = {});
    // At least 1, at most the stock when the supplier stated one (and stock 0 still allows 1).
    void setQuantity(const QString& id, std::int64_t quantity);
    void increment(const QString& id);
    // Never below 1: removing a line is a separate action.
    void decrement(const QString& id);
    void remove(const QString& id);
    void clearSupplier(const QString& supplierID);
    // The supplier's terms now into the line: price, stock, delivery and warehouse (the quantity
    // then stays within the new stock). False when the line is gone or nothing changed.
    bool acceptTerms(const QString& id, const CartFreshTerms& terms);
    // Removed lines back where they stood (the index each had in items()), unless a line of the
    // same id is in the cart again meanwhile.
    void restore(const QList<std::pair<qsizetype, CartItem>>& lines);
    // False when the last change could not be saved (the settings file is unwritable, or another
    // process held it for seconds): the cart then stays as stored.
    bool lastChangeSaved() const { return m_lastChangeSaved; }
    // Reads the cart as stored now (another process may have changed it); `changed` when it differs.
    void reload();

    // Sum of all quantities, saturating at the largest 64-bit value.
    std::int64_t totalItemCount() const;
    // Lines by supplier; suppliers in the locale's case-insensitive order of their names, lines
    // by brand then article.
    QList<SupplierCartGroup> groups(const QLocale& locale = QLocale()) const { return groupsOf(m_items, locale); }
    static QList<SupplierCartGroup> groupsOf(const QList<CartItem>& items, const QLocale& locale = QLocale());

Q_SIGNALS:
    void changed();

private:
    // The lines as stored now, read inside a transaction of the settings: a value that could not
    // be read in full is kept aside first, and one left as text by a hand edit is written back in
    // the stored form, so that later writes of other keys cannot mangle it.
    QList<CartItem> storedItems();
    // One change applied to the stored lines; `change` returns whether it changed anything.
    bool apply(const std::function<bool(QList<CartItem>&)>& change);
    void adopt(QList<CartItem> items);
    static qsizetype indexIn(const QList<CartItem>& items, const QString& id);
    qsizetype indexOf(const QString& id) const;

    UserDefaults& m_defaults;
    QList<CartItem> m_items;
    QString m_keptAsideKey;
    bool m_lastChangeSaved = true;
};
