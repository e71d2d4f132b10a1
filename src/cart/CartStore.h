#pragma once

#include "CartItem.h"
#include "core/SupplierOffer.h"

#include <QList>
#include <QLocale>
#include <QObject>
#include <QString>

#include <cstdint>

class UserDefaults;

// The offers the user means to order, one line per offer, kept in the user defaults store
// and saved on every change. Lives on the UI thread.
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
    // False when the offer is already in the cart (or its price is not a usable number).
    // `askedArticle`: the article a priced list asked for, kept with the line.
    bool add(const SupplierOffer& offer, const QString& askedArticle = {});
    // At least 1, at most the stock when the supplier stated one (and stock 0 still allows 1).
    void setQuantity(const QString& id, std::int64_t quantity);
    void increment(const QString& id);
    // Never below 1: removing a line is a separate action.
    void decrement(const QString& id);
    void remove(const QString& id);
    void clearSupplier(const QString& supplierID);

    // Sum of all quantities, saturating at the largest 64-bit value.
    std::int64_t totalItemCount() const;
    // Lines by supplier; suppliers in the locale's case-insensitive order of their names, lines
    // by brand then article.
    QList<SupplierCartGroup> groups(const QLocale& locale = QLocale()) const;

Q_SIGNALS:
    void changed();

private:
    void load();
    void save();
    void commit();
    qsizetype indexOf(const QString& id) const;

    UserDefaults& m_defaults;
    QList<CartItem> m_items;
    QString m_keptAsideKey;
};
