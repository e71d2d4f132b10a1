#include "app/AppServices.h"
#include "cart/AutoEuroOrderRevalidator.h"
#include "cart/AutoligaOrderRevalidator.h"
#include "cart/CartStore.h"
#include "cart/PFCartFreshnessChecker.h"
#include "core/SupplierPreferences.h"
#include "credentials/MemoryCredentialStore.h"
#include "sandbox/SandboxServer.h"
#include "search/SearchViewModel.h"
#include "suppliers/autoeuro/AutoEuroClient.h"
#include "support/AwaitTask.h"
#include "support/OfferBuilder.h"
#include "support/SandboxServices.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
namespace Status = CartFreshnessStatus;

namespace {

CartItem line(double price, std::int64_t quantity = 1, std::optional<std::int64_t> stock = 5,
              std::optional<QString> delivery = u"3 дн."_s) {
    CartItem item = CartItem::supplierOffer(OfferBuilder(u"autopiter"_s, u"k"_s).name(u"Фильтр"_s), QDateTime());
    item.unitPrice = price;
    item.quantity = quantity;
    item.availableQuantity = stock;
    item.deliveryTime = delivery;
    return item;
}

// The product's services against the sandbox, every supplier's account in memory.
struct CartSandbox {
    TestEnvironment environment;
    SandboxServer server;
    std::unique_ptr<AppServices> services;

    CartSandbox() {
        if (!server.start())
            qFatal("sandbox did not start");
        services = sandboxServices(environment, server.endpoints(), true);
    }

    // Searches as the window does and puts `perSupplier` offers of every supplier into the cart.
    void fillCart(const QString& article, int perSupplier) {
        SearchViewModel model(services->supplierPreferences(), services->searchConnectors());
        QSignalSpy finished(&model, &SearchViewModel::searchFinished);
        model.setArticle(article);
        model.search();
        QVERIFY(finished.wait(20000));
        QHash<QString, int> taken;
        for (const SupplierOffer& offer : model.offers()) {
            if (taken[offer.supplierID] < perSupplier && services->cartStore().add(offer))
                ++taken[offer.supplierID];
        }
        QCOMPARE(taken.size(), 3);
    }

    PFCartFreshnessMap check(const QString& supplierID) {
        SupplierCartGroup group;
        for (const auto& g : services->cartStore().groups())
            if (g.supplierID == supplierID)
                group = g;
        PFCartFreshnessChecker checker = services->cartFreshnessChecker();
        return awaitTask(checker.check(group));
    }

    int requestsContaining(const QString& text) const {
        int n = 0;
        for (const auto& request : server.requests())
            n += (request.target + QString::fromUtf8(request.body)).contains(text) ? 1 : 0;
        return n;
    }
};

QStringList statuses(const PFCartFreshnessMap& verdicts) {
    QStringList list;
    for (const auto& verdict : verdicts)
        list.append(verdict.status);
    list.removeDuplicates();
    list.sort();
    return list;
}

} // namespace

class CartFreshnessTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void compare_reportsEachChangeInOrder_data() {
        QTest::addColumn<double>("freshPrice");
        QTest::addColumn<qint64>("freshStock"); // -1: not stated
        QTest::addColumn<QString>("freshDelivery");
        QTest::addColumn<QString>("freshName");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("details");
        QTest::newRow("0.004 is no change")
            << 1000.004 << 5LL << u"3 дн."_s << u"Фильтр"_s << Status::current << QStringList();
        QTest::newRow("0.005 is a change") << 1000.005 << 5LL << u"3 дн."_s << u"Фильтр"_s << Status::changed
                                           << QStringList{u"Цена: 1000,00 руб. → 1000,01 руб."_s};
        QTest::newRow("stock gone") << 1000.0 << 0LL << u"3 дн."_s << u"Фильтр"_s << Status::unavailable
                                    << QStringList{u"Остаток: 5 → 0 шт."_s, u"Доступно 0 шт.; выбрано 2 шт."_s};
        QTest::newRow("nothing confirmed")
            << 1000.0 << -1LL << u""_s << u"Другое"_s << Status::changed
            << QStringList{u"Поставщик не подтвердил доступный остаток."_s, u"Поставщик не подтвердил срок доставки."_s,
                           u"Изменилось наименование позиции."_s};
        QTest::newRow("delivery") << 1000.0 << 5LL << u"5 дн."_s << u"Фильтр"_s << Status::changed
                                  << QStringList{u"Доставка: 3 дн. → 5 дн."_s};
    }
    void compare_reportsEachChangeInOrder() {
        QFETCH(double, freshPrice);
        QFETCH(qint64, freshStock);
        QFETCH(QString, freshDelivery);
        QFETCH(QString, freshName);
        QFETCH(QString, status);
        QFETCH(QStringList, details);
        SupplierOffer fresh = OfferBuilder(u"autopiter"_s, u"k"_s).name(freshName);
        fresh.price = *Decimal::fromDouble(freshPrice);
        if (freshStock >= 0)
            fresh.availableQuantity = freshStock;
        if (!freshDelivery.isEmpty())
            fresh.deliveryDescription = freshDelivery;
        const PFCartFreshness verdict = PFCartFreshnessChecker::compare(line(1000.0, 2), fresh);
        QCOMPARE(verdict.status, status);
        QCOMPARE(verdict.details, details);
    }

    void revalidatorChanges_followTheirRules() {
        // AutoEuro: the stock text depends on the quantity; an empty stored delivery is "не указан".
        AutoEuroOffer fresh;
        fresh.price = FlexibleDouble{1000.005};
        fresh.amount = FlexibleInt{3};
        fresh.delivery_time = FlexibleString{u"2"_s};
        QCOMPARE(AutoEuroOrderRevalidator::changes(line(1000.0, 5, 12, u" "_s), fresh),
                 (QStringList{u"Цена: 1\u00A0000,00\u00A0₽ → 1\u00A0000,01\u00A0₽"_s,
                              u"Доступно 3 шт., в корзине 5 шт."_s, u"Срок доставки: не указан → 2"_s}));
        fresh.price = FlexibleDouble{1000.004};
        fresh.amount = FlexibleInt{10};
        fresh.delivery_time = FlexibleString{u" 3 дн. "_s};
        QCOMPARE(AutoEuroOrderRevalidator::changes(line(1000.0, 2, 12), fresh), QStringList{u"Остаток: 12 → 10 шт."_s});
        QCOMPARE(AutoEuroOrderRevalidator::changes(line(1000.0, 2, std::nullopt), fresh), QStringList());

        // Autoliga: a missing stock is said, and delivery and warehouse are still compared.
        SupplierOffer offer = OfferBuilder(u"autoliga"_s, u"h"_s).price("1000");
        offer.warehouse = u"Челябинск"_s;
        offer.deliveryDescription = u"3 дн."_s;
        QCOMPARE(AutoligaOrderRevalidator::changes(line(1000.0), offer),
                 (QStringList{u"Автолига не вернула актуальный остаток."_s, u"Склад: не указан → Челябинск"_s}));
    }

    void revalidationStates_mapToVerdicts_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("autoEuro");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("status");
        const int current = int(OrderRevalidationState::current);
        const int changed = int(OrderRevalidationState::changed);
        const int gone = int(OrderRevalidationState::unavailable);
        QTest::newRow("current") << current << true << "" << Status::current;
        QTest::newRow("changed") << changed << false << "Цена: …" << Status::termsChanged;
        QTest::newRow("AutoEuro not found again")
            << gone << true << "Исходное предложение AutoEuro больше не найдено." << Status::unconfirmed;
        QTest::newRow("AutoEuro gone otherwise") << gone << true << "Снято с продажи." << Status::offerUnavailable;
        QTest::newRow("Autoliga not found again")
            << gone << false << "Исходное предложение Автолиги больше не найдено." << Status::offerUnavailable;
    }
    void revalidationStates_mapToVerdicts() {
        QFETCH(int, state);
        QFETCH(bool, autoEuro);
        QFETCH(QString, change);
        QFETCH(QString, status);
        const QStringList changes = change.isEmpty() ? QStringList() : QStringList{change};
        const auto verdict =
            PFCartFreshnessChecker::fromRevalidation(static_cast<OrderRevalidationState>(state), changes, autoEuro);
        QCOMPARE(verdict.status, status);
        QCOMPARE(verdict.details, changes);
    }

    void positionalPortalIDs_areEveryIdThePortalSearchMakesUp() {
        for (const char* id : {"0:1", "a:0", "group-7:12", ":3"})
            QVERIFY2(PFCartFreshnessChecker::isPositionalPortalID(QString::fromLatin1(id)), id);
        for (const char* id : {"42", "A-17", "0:x", "7:"})
            QVERIFY2(!PFCartFreshnessChecker::isPositionalPortalID(QString::fromLatin1(id)), id);
    }

    void autoEuroLineWithoutKey_failsBeforeTheNextIsAsked() {
        CartSandbox sandbox;
        CartItem first = line(10.0);
        first.supplierID = u"autoeuro"_s;
        first.article = u"NO-KEY"_s;
        first.supplierOfferKey = u"  "_s;
        CartItem second = first;
        second.supplierOfferKey = u"CHL-1"_s;
        AutoEuroOrderRevalidator revalidator(sandbox.services->autoEuroClient());
        const QString failure = [&] {
            try {
                awaitTask(revalidator.revalidate({first, second}, AutoEuroDelivery{u"D"_s, u"Челябинск"_s, {}}));
            } catch (const UserFacingError& error) {
                return error.description();
            }
            return QString();
        }();
        QCOMPARE(failure, u"Для позиции NO-KEY отсутствует настоящий offer_key AutoEuro.\nПозицию необходимо заново "
                          "получить через поиск перед оформлением."_s);
        QCOMPARE(sandbox.requestsContaining(u"search_items"_s), 0);
    }

    // The whole road per supplier: the sandbox's offers move after the cart took them, and the
    // check sees it, asking once per article (Autopiter) or per stored question (the portal).
    void check_findsWhatMovedAtEverySupplier_data() {
        QTest::addColumn<int>("drift");
        QTest::addColumn<QStringList>("expected"); // AutoEuro's, Autopiter's and Autoliga's statuses
        QTest::newRow("nothing moved") << int(SandboxDrift::none)
                                       << QStringList{Status::current, Status::current, Status::current};
        QTest::newRow("prices moved") << int(SandboxDrift::priceMoved)
                                      << QStringList{Status::termsChanged, Status::changed, Status::changed};
        QTest::newRow("stock gone") << int(SandboxDrift::stockGone)
                                    << QStringList{Status::termsChanged, Status::unavailable, Status::unavailable};
        QTest::newRow("withdrawn") << int(SandboxDrift::withdrawn)
                                   << QStringList{Status::unconfirmed, Status::unconfirmed, Status::unconfirmed};
    }
    void check_findsWhatMovedAtEverySupplier() {
        QFETCH(int, drift);
        QFETCH(QStringList, expected);
        CartSandbox sandbox;
        sandbox.fillCart(u"OC 90"_s, 3);
        sandbox.server.setDrift(static_cast<SandboxDrift>(drift));
        sandbox.server.clearRequests();
        QStringList seen = statuses(sandbox.check(u"autoeuro"_s));
        seen += statuses(sandbox.check(u"autopiter"_s));
        const auto portal = sandbox.check(u"autoliga"_s);
        QCOMPARE(seen + statuses(portal), expected);
        QCOMPARE(portal.size(), 3);
        QCOMPARE(sandbox.requestsContaining(u"FindCatalog"_s), 1);
        QCOMPARE(sandbox.requestsContaining(u"api/v2/client/search/"_s), 1);
    }

    // Nothing is asked for a line that cannot be checked; the verdict says why.
    void linesThatCannotBeAsked_areUnconfirmed_data() {
        QTest::addColumn<QString>("supplierID");
        QTest::addColumn<QString>("brand");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("detail");
        QTest::newRow("Autoliga, blank brand")
            << u"autoliga"_s << u" "_s << u"HASH-1"_s << u"Старое предложение Автолиги не удалось проверить."_s;
        QTest::newRow("portal line without its own id")
            << u"autoliga"_s << u"MANN"_s << u"portal-selection:0:1"_s
            << u"Портал не предоставил постоянный ID позиции; точная проверка невозможна."_s;
        QTest::newRow("portal line of an unknown question")
            << u"autoliga"_s << u"MANN"_s << u"portal-selection:never-seen"_s
            << u"Не удалось определить исходный запрос портала."_s;
        QTest::newRow("another supplier")
            << u"rossko"_s << u"MANN"_s << u"k"_s << u"Проверка для этого поставщика не предусмотрена."_s;
    }
    void linesThatCannotBeAsked_areUnconfirmed() {
        QFETCH(QString, supplierID);
        QFETCH(QString, brand);
        QFETCH(QString, key);
        QFETCH(QString, detail);
        CartSandbox sandbox;
        CartItem item = line(10.0);
        item.supplierID = supplierID;
        item.brand = brand;
        item.supplierOfferKey = key;
        item.id = supplierID + u'|' + key;
        PFCartFreshnessChecker checker = sandbox.services->cartFreshnessChecker();
        const auto verdicts = awaitTask(checker.check(SupplierCartGroup{supplierID, u"Поставщик"_s, {item, item}}));
        QCOMPARE(verdicts.value(item.id), (PFCartFreshness{Status::unconfirmed, {detail}}));
        QCOMPARE(sandbox.server.requests().size(), 0);
    }
};

QTEST_GUILESS_MAIN(CartFreshnessTest)
#include "tst_CartFreshness.moc"
