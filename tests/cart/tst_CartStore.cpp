#include "cart/CartStore.h"
#include "support/OfferBuilder.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

const QDateTime kAdded = QDateTime(QDate(2026, 12, 6), QTime(9, 30, 15, 250), Qt::UTC);

// A line as the store writes it, to be damaged by a test.
QJsonObject storedLine(const QString& key = u"1"_s) {
    return CartItem::supplierOffer(OfferBuilder(u"autoeuro"_s, key).available(5), kAdded).toJson();
}

QByteArray json(const QJsonArray& lines) {
    return QJsonDocument(lines).toJson(QJsonDocument::Compact);
}

QStringList supplierNames(const QList<SupplierCartGroup>& groups) {
    QStringList out;
    for (const SupplierCartGroup& g : groups)
        out << g.supplierName;
    return out;
}

QStringList ids(const QList<CartItem>& items) {
    QStringList out;
    for (const CartItem& item : items)
        out << item.id;
    return out;
}

struct Cart {
    TestEnvironment env;
    std::unique_ptr<UserDefaults> defaults = env.makeDefaults();
    CartStore store{*defaults};
};

// Writes the cart's line of the settings file as a user edits it; the other lines stay.
void editCartLine(const QString& path, const QByteArray& value) {
    QFile file(path);
    QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("[General]\nOrelia.Cart.v1=\n");
    file.close();
    const qsizetype start = text.indexOf("\nOrelia.Cart.v1=") + 16;
    text.replace(start, text.indexOf('\n', start) - start, value);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

} // namespace

class CartStoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void add_keepsOneLinePerOffer_changesTouchOnlyTheirLines() {
        Cart c;
        // Nothing stored: an empty cart, nothing kept aside and nothing written before a change.
        QVERIFY(c.store.items().isEmpty());
        QVERIFY(c.store.keptAsideKey().isEmpty());
        QVERIFY(!c.defaults->contains(CartStore::defaultsKey()));
        QSignalSpy changed(&c.store, &CartStore::changed);

        const SupplierOffer offer = OfferBuilder(u"autoeuro"_s, u"1"_s);
        QVERIFY(!c.store.contains(offer));
        QVERIFY(c.store.add(offer));
        QVERIFY(!c.store.add(offer));
        QVERIFY(c.store.contains(offer));
        QCOMPARE(changed.size(), 1);
        // Same supplier and article, another offer key: a line of its own; supplier ids match exactly.
        c.store.add(OfferBuilder(u"autoeuro"_s, u"2"_s));
        c.store.add(OfferBuilder(u"autopiter"_s, u"1"_s));
        c.store.add(OfferBuilder(u"AutoEuro"_s, u"3"_s));
        QCOMPARE(ids(c.store.items()),
                 (QStringList{u"autoeuro|1"_s, u"autoeuro|2"_s, u"autopiter|1"_s, u"AutoEuro|3"_s}));
        QCOMPARE(c.store.items().first().quantity, 1);

        changed.clear();
        c.store.remove(u"autoeuro|unknown"_s);
        c.store.increment(u"autoeuro|unknown"_s);
        c.store.decrement(u"autoeuro|unknown"_s);
        c.store.setQuantity(u"autoeuro|unknown"_s, 3);
        QCOMPARE(changed.size(), 0);
        c.store.remove(u"autoeuro|1"_s);
        c.store.clearSupplier(u"autoeuro"_s);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(ids(CartStore(*c.env.makeDefaults()).items()), (QStringList{u"autopiter|1"_s, u"AutoEuro|3"_s}));
    }

    void setQuantity_staysBetweenOneAndStock_data() {
        QTest::addColumn<qint64>("stock"); // -1: not stated
        QTest::addColumn<qint64>("requested");
        QTest::addColumn<qint64>("stored");
        QTest::newRow("zero") << qint64(-1) << qint64(0) << qint64(1);
        QTest::newRow("negative") << qint64(-1) << qint64(-5) << qint64(1);
        QTest::newRow("above stock") << qint64(4) << qint64(10) << qint64(4);
        QTest::newRow("no stock stated") << qint64(-1) << qint64(10) << qint64(10);
        QTest::newRow("stock reported as 0") << qint64(0) << qint64(10) << qint64(1);
    }

    void setQuantity_staysBetweenOneAndStock() {
        QFETCH(qint64, stock);
        QFETCH(qint64, requested);
        QFETCH(qint64, stored);
        Cart c;
        OfferBuilder offer;
        if (stock >= 0)
            offer.available(stock);
        c.store.add(offer);
        c.store.setQuantity(offer.build().id(), requested);
        QCOMPARE(c.store.items().first().quantity, stored);
        QCOMPARE(CartStore(*c.env.makeDefaults()).items().first().quantity, stored);
    }

    void incrementAndDecrement_respectLimits_totalSaturates() {
        Cart c;
        const SupplierOffer limited = OfferBuilder(u"autoeuro"_s, u"limited"_s).available(2);
        const SupplierOffer open = OfferBuilder(u"autoeuro"_s, u"open"_s);
        c.store.add(limited);
        c.store.add(open);

        c.store.decrement(limited.id());
        QCOMPARE(c.store.items()[0].quantity, 1);
        c.store.increment(limited.id());
        c.store.increment(limited.id());
        QCOMPARE(c.store.items()[0].quantity, 2);
        c.store.decrement(limited.id());
        QCOMPARE(c.store.items()[0].quantity, 1);
        c.store.setQuantity(open.id(), 4);
        QCOMPARE(c.store.totalItemCount(), 5);

        c.store.setQuantity(open.id(), kMax);
        c.store.increment(open.id());
        // Stored and read back exactly; the total stops at the largest count.
        const CartStore reloaded(*c.env.makeDefaults());
        QCOMPARE(reloaded.items()[1].quantity, kMax);
        QCOMPARE(reloaded.totalItemCount(), kMax);
    }

    void groups_orderSuppliersByCollationAndLinesByText() {
        Cart c;
        CartStore& cart = c.store;
        cart.add(OfferBuilder(u"zeta"_s, u"1"_s).supplier(u"zeta"_s, u"Zeta"_s));
        cart.add(OfferBuilder(u"autoliga"_s, u"1"_s).supplier(u"autoliga"_s, u"Автолига"_s).brand(u"mann"_s));
        cart.add(OfferBuilder(u"autoliga"_s, u"2"_s)
                     .supplier(u"autoliga"_s, u"Автолига"_s)
                     .brand(u"MANN"_s)
                     .article(u"B"_s));
        cart.add(
            OfferBuilder(u"autoliga"_s, u"3"_s).supplier(u"autoliga"_s, u"renamed"_s).brand(u"MANN"_s).article(u"A"_s));
        cart.add(OfferBuilder(u"autoeuro"_s, u"1"_s).supplier(u"autoeuro"_s, u"autoEuro"_s));

        // Case-insensitive: "autoEuro" before "Zeta" although 'Z' < 'a' in plain text order.
        const QList<SupplierCartGroup> english = cart.groups(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(supplierNames(english), (QStringList{u"autoEuro"_s, u"Zeta"_s, u"Автолига"_s}));
        // Russian collation puts Cyrillic before Latin.
        QCOMPARE(supplierNames(cart.groups(QLocale(QLocale::Russian, QLocale::Russia))),
                 (QStringList{u"Автолига"_s, u"autoEuro"_s, u"Zeta"_s}));

        const SupplierCartGroup& autoliga = english[2];
        QCOMPARE(autoliga.supplierID, u"autoliga"_s);
        QCOMPARE(ids(autoliga.items), (QStringList{u"autoliga|3"_s, u"autoliga|2"_s, u"autoliga|1"_s}));
    }

    void persistence_roundTripKeepsEveryField() {
        // Every field set, the price a decimal that no double holds exactly.
        SupplierOffer offer =
            OfferBuilder(u"autoeuro"_s, u"k-1"_s).price("0.1").available(7).delivery(u"3 дн."_s).rejectRate("2.35");
        offer.warehouse = u"Москва"_s;
        CartItem item = CartItem::supplierOffer(offer, kAdded);
        item.askedArticle = u"OC 90"_s; // a list's line: an analogue of what it asked for
        QCOMPARE(item.analogueMark(), u"аналог OC 90"_s);
        QCOMPARE((QStringList{item.id, item.offerID, *item.supplierOfferKey, *item.deliveryTime}),
                 (QStringList{u"autoeuro|k-1"_s, u"k-1"_s, u"k-1"_s, u"3 дн."_s}));
        QCOMPARE(item.unitPrice, 0.1);
        QCOMPARE(item.rejects, 2.35);
        QCOMPARE(CartItem::decodeList(CartItem::encodeList({item})), std::optional(QList<CartItem>{item}));

        // A price beyond the double range is stored as the largest finite double, never as inf or NaN.
        Cart c;
        QVERIFY(c.store.add(OfferBuilder(u"autoeuro"_s, u"huge"_s).price("1e400")));
        const QByteArray stored = *c.defaults->dataValue(CartStore::defaultsKey());
        QVERIFY(!stored.contains("null") && !stored.contains("nan") && !stored.contains("inf"));
        QCOMPARE(CartStore(*c.env.makeDefaults()).items().first().unitPrice, std::numeric_limits<double>::max());
    }

    void persistence_absentOptionalsAreOmitted() {
        SupplierOffer offer = OfferBuilder();
        CartItem item = CartItem::supplierOffer(offer, kAdded);
        item.supplierOfferKey.reset();
        const QJsonObject o = item.toJson();
        for (const QString& key : {u"supplierOfferKey"_s, u"availableQuantity"_s, u"warehouse"_s, u"deliveryTime"_s,
                                   u"rejects"_s, u"askedArticle"_s})
            QVERIFY2(!o.contains(key), qPrintable(key));
        // Seconds since 2001-01-01 UTC.
        QCOMPARE(o[u"addedAt"_s].toDouble(), 818242215.25);
        QCOMPARE(CartItem::fromJson(o), item);

        // null stands for absent, too.
        QJsonObject withNull = o;
        withNull[u"warehouse"_s] = QJsonValue::Null;
        QCOMPARE(CartItem::fromJson(withNull), item);
    }

    void corruptStoredCart_isKeptAsideAndRecoverable_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("readableLines");
        const auto with = [](const char* key, const QJsonValue& value) {
            QJsonObject line = storedLine();
            line[QString::fromLatin1(key)] = value;
            return json({storedLine(u"ok"_s), line});
        };
        QTest::newRow("not JSON") << QByteArray("[{\"id\": ") << 0;
        QTest::newRow("object, not array") << QJsonDocument(storedLine()).toJson() << 0;
        QJsonObject withoutOfferID = storedLine();
        withoutOfferID.remove(u"offerID"_s);
        QTest::newRow("line without offerID") << json({withoutOfferID}) << 0;
        QTest::newRow("fractional quantity") << with("quantity", 1.5) << 1;
        QTest::newRow("quantity as a word") << with("quantity", u"two"_s) << 1;
        QTest::newRow("quantity beyond 64 bits") << with("quantity", 1e30) << 1;
        QTest::newRow("price as text") << with("unitPrice", u"12"_s) << 1;
        QTest::newRow("optional of the wrong type") << with("warehouse", 12) << 1;
        QTest::newRow("date beyond any calendar") << with("addedAt", 1e300) << 1;
    }

    void corruptStoredCart_isKeptAsideAndRecoverable() {
        QFETCH(QByteArray, stored);
        QFETCH(int, readableLines);
        TestEnvironment env;
        env.makeDefaults()->setData(CartStore::defaultsKey(), stored);

        auto defaults = env.makeDefaults();
        CartStore cart(*defaults);
        QCOMPARE(cart.items().size(), readableLines);
        QVERIFY(cart.keptAsideKey().startsWith(CartStore::defaultsKey() + u".unreadable-"_s));
        QVERIFY(cart.add(OfferBuilder(u"autoeuro"_s, u"new"_s)));

        // The next run finds the new cart, and the old bytes untouched beside it.
        auto next = env.makeDefaults();
        QCOMPARE(next->dataValue(cart.keptAsideKey()), stored);
        CartStore reloaded(*next);
        QCOMPARE(reloaded.items().size(), readableLines + 1);
        QVERIFY(reloaded.keptAsideKey().isEmpty());
    }

    void handEditedCart_isReadAndASecondBadOneKeptBesideTheFirst() {
        TestEnvironment env;
        // Plain JSON on the line, as a user types it: QSettings alone would read a list of texts.
        editCartLine(env.settingsPath(), json({storedLine(u"a"_s), storedLine(u"b"_s)}));
        QCOMPARE(CartStore(*env.makeDefaults()).items().size(), 2);

        QStringList asideKeys;
        for (const QByteArray& bad : {QByteArray("[{\"id\": 1, \"x\"]"), QByteArray("[{\"id\": 2, \"y\"]")}) {
            editCartLine(env.settingsPath(), bad);
            auto defaults = env.makeDefaults();
            CartStore cart(*defaults);
            QVERIFY(cart.items().isEmpty());
            asideKeys << cart.keptAsideKey();
            QCOMPARE(defaults->dataValue(cart.keptAsideKey()), bad); // the bytes as they stood in the file
            cart.add(OfferBuilder(u"autoeuro"_s, u"new"_s));
        }
        QVERIFY(asideKeys[0] != asideKeys[1]);
        QVERIFY(env.makeDefaults()->contains(asideKeys[0]));
    }

    // The readable line of a hand-edited cart is written back in the stored form at once, so a
    // later write of any other key cannot mangle the text QSettings read as a list.
    void handEditedCartWithABadLine_keepsItsGoodLineOnEveryRun() {
        TestEnvironment env;
        const QByteArray edited = json({storedLine(u"good"_s)}).replace("]", ",{\"id\": 2}]");
        editCartLine(env.settingsPath(), edited);
        for (int run = 0; run < 3; ++run) {
            auto defaults = env.makeDefaults();
            CartStore cart(*defaults);
            QCOMPARE(cart.items().size(), 1);
            defaults->setDouble(UserDefaultsKeys::markupPercent, run);
        }
        QVERIFY(env.makeDefaults()->holdsData(CartStore::defaultsKey()));
    }

    // Each change is made to the cart as stored when it is made: a store that read the cart
    // before another one changed it neither undoes that change nor is undone by it.
    void changes_applyToTheCartAsStoredNow() {
        Cart a;
        auto otherDefaults = a.env.makeDefaults();
        CartStore b(*otherDefaults);
        a.store.add(OfferBuilder(u"autoeuro"_s, u"1"_s).available(9));
        QVERIFY(b.add(OfferBuilder(u"autoeuro"_s, u"2"_s)));
        b.setQuantity(u"autoeuro|1"_s, 4);
        a.store.remove(u"autoeuro|2"_s);
        QVERIFY(a.store.add(OfferBuilder(u"autoeuro"_s, u"3"_s)));
        b.reload();
        auto freshDefaults = a.env.makeDefaults();
        CartStore fresh(*freshDefaults);
        for (const CartStore* store : {&a.store, &b, &fresh}) {
            QStringList lines;
            for (const CartItem& item : store->items())
                lines.append(item.id + u'×' + QString::number(item.quantity));
            QCOMPARE(lines, (QStringList{u"autoeuro|1×4"_s, u"autoeuro|3×1"_s}));
        }
    }

    void cartSurvivesOtherWritersOfTheSameFile() {
        Cart c;
        auto other = c.env.makeDefaults(); // another process's view of the same file
        c.store.add(OfferBuilder(u"autoeuro"_s, u"1"_s));
        other->setDouble(UserDefaultsKeys::markupPercent, 15);
        c.store.add(OfferBuilder(u"autoeuro"_s, u"2"_s));
        other->setBool(UserDefaultsKeys::rejectFilterEnabled, true);

        auto fresh = c.env.makeDefaults();
        QCOMPARE(CartStore(*fresh).items().size(), 2);
        QCOMPARE(fresh->doubleValue(UserDefaultsKeys::markupPercent), 15.0);
        QCOMPARE(fresh->boolValue(UserDefaultsKeys::rejectFilterEnabled), true);
    }
};

QTEST_GUILESS_MAIN(CartStoreTest)
#include "tst_CartStore.moc"
