#include "CartCommand.h"

#include "app/AppServices.h"
#include "app/CliSupport.h"
#include "app/OfferReport.h"
#include "cart/CartStore.h"
#include "cart/PFCartFreshnessChecker.h"
#include "core/SupplierDescriptor.h"
#include "core/SupplierPreferences.h"
#include "core/TextUtils.h"
#include "core/UserDefaults.h"
#include "core/UserFacingError.h"
#include "export/CartExport.h"
#include "export/TableExport.h"
#include "search/SearchViewModel.h"

#include <QCoroSignal>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

using Cli::exitFailed;
using Cli::exitOk;
using Cli::failure;
using Cli::print;

int usageError(const QString& message) {
    return Cli::usageError(message, QStringLiteral("orelia-cli cart --help"));
}

QLocale russian() {
    return QLocale(QLocale::Russian, QLocale::Russia);
}

QString notSavedText(AppServices& services) {
    return QStringLiteral("Не удалось сохранить корзину: файл настроек %1 недоступен для записи или занят.")
        .arg(services.userDefaults().fileName());
}

// The exit of a change of the stored cart: a change that did not reach the disk is no success.
int saved(AppServices& services) {
    return services.cartStore().lastChangeSaved() ? exitOk : failure(notSavedText(services));
}

int listCart(AppServices& services, bool json) {
    CartStore& cart = services.cartStore();
    const auto groups = cart.groups(russian());
    // A stored cart that could not be read in full was kept aside; say so rather than "empty".
    const QString notice = cart.keptAsideKey().isEmpty() ? QString() : CartStore::unreadableMessage();
    if (json) {
        QJsonObject report = OfferReport::cartJson(groups, cart.totalItemCount());
        report.insert(QStringLiteral("notice"), notice.isNull() ? QJsonValue() : QJsonValue(notice));
        Cli::out() << QString::fromUtf8(QJsonDocument(report).toJson());
        Cli::out().flush();
    } else if (!notice.isNull() && groups.isEmpty()) {
        print(notice + u'\n');
    } else {
        print((notice.isNull() ? QString() : notice + u'\n') + OfferReport::cartText(groups, cart.totalItemCount()));
    }
    return exitOk;
}

// Runs the window's search for the article and gives its offers (empty with the failure
// text when nothing could be found).
QCoro::Task<std::pair<QList<SupplierOffer>, QString>> searchOffers(AppServices& services, QString article) {
    SearchViewModel model(services.supplierPreferences(), services.searchConnectors());
    model.setArticle(article);
    model.search();
    if (model.isLoading()) {
        auto finished = qCoro(&model, &SearchViewModel::searchFinished);
        co_await std::move(finished);
    }
    co_return std::pair<QList<SupplierOffer>, QString>(model.offers(), model.errorMessage());
}

QCoro::Task<int> addOffer(AppServices& services, QString article, QString offerID, std::optional<qint64> quantity) {
    auto search = searchOffers(services, article);
    const auto [offers, error] = co_await std::move(search);
    const auto found = std::find_if(offers.begin(), offers.end(),
                                    [&offerID](const SupplierOffer& offer) { return offer.id() == offerID; });
    if (found == offers.end()) {
        QString text = QStringLiteral("Предложение %1 не найдено в результатах поиска по артикулу %2.")
                           .arg(offerID, TextUtils::searchQuery(article));
        if (!error.isEmpty())
            text += u'\n' + error;
        co_return failure(text);
    }
    CartStore& cart = services.cartStore();
    // One change: the line and its quantity reach the stored cart together.
    if (!cart.add(*found, quantity)) {
        if (!cart.lastChangeSaved())
            co_return failure(notSavedText(services));
        print(QStringLiteral("Предложение уже находится в корзине\n"));
        co_return exitOk;
    }
    print(QStringLiteral("Добавлено: %1 %2\n").arg(found->brand, found->article));
    if (quantity) {
        for (const CartItem& item : cart.items()) {
            if (item.id == found->id())
                print(QStringLiteral("Количество: %1 шт.\n").arg(item.quantity));
        }
    }
    co_return exitOk;
}

QJsonObject verdictJson(const CartItem& item, const PFCartFreshness& verdict) {
    return QJsonObject{{QStringLiteral("lineID"), item.id},
                       {QStringLiteral("brand"), item.brand},
                       {QStringLiteral("article"), item.article},
                       {QStringLiteral("status"), verdict.status},
                       {QStringLiteral("details"), QJsonArray::fromStringList(verdict.details)}};
}

QCoro::Task<int> checkSupplier(AppServices& services, QString supplierID, bool json) {
    const auto groups = services.cartStore().groups(russian());
    const auto group = std::find_if(groups.begin(), groups.end(),
                                    [&](const SupplierCartGroup& g) { return g.supplierID == supplierID; });
    if (group == groups.end())
        co_return failure(QStringLiteral("В корзине нет позиций поставщика %1.").arg(supplierID));

    PFCartFreshnessChecker checker = services.cartFreshnessChecker();
    PFCartFreshnessMap verdicts;
    try {
        auto check = checker.check(*group);
        verdicts = co_await std::move(check);
    } catch (const UserFacingError& error) {
        co_return failure(QStringLiteral("Не удалось проверить актуальность: ") +
                          TextUtils::singleLine(error.description()));
    }

    if (json) {
        QJsonArray lines;
        for (const CartItem& item : group->items)
            lines.append(verdictJson(item, verdicts.value(item.id)));
        const QJsonObject report{{QStringLiteral("supplierID"), group->supplierID},
                                 {QStringLiteral("supplierName"), group->supplierName},
                                 {QStringLiteral("lines"), lines}};
        Cli::out() << QString::fromUtf8(QJsonDocument(report).toJson());
        Cli::out().flush();
        co_return exitOk;
    }
    QString text = group->supplierName + u'\n';
    for (const CartItem& item : group->items) {
        const PFCartFreshness verdict = verdicts.value(item.id);
        text += QStringLiteral("%1 %2 — %3\n").arg(item.brand, item.article, verdict.status);
        for (const QString& detail : verdict.details)
            text += QStringLiteral("  • ") + detail + u'\n';
    }
    print(text);
    co_return exitOk;
}

bool knownLine(CartStore& cart, const QString& id) {
    return std::any_of(cart.items().begin(), cart.items().end(), [&id](const CartItem& i) { return i.id == id; });
}

std::optional<qint64> parseQuantity(const QString& text) {
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < 1)
        return std::nullopt;
    return value;
}

// The whole cart as the cart sheet's "Экспорт…" saves it; CSV "-" goes to standard output.
int exportCart(CartStore& cart, const QString& csvPath, const QString& xlsxPath) {
    const auto groups = cart.groups(russian());
    if (groups.isEmpty())
        return failure(QStringLiteral("Корзина пуста: сохранять нечего."));
    const ExportTable table = CartExport::table(groups);
    if (csvPath == u"-") {
        Cli::out().flush();
        const QByteArray bytes = TableExport::csv(table);
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        std::fflush(stdout);
        return exitOk;
    }
    const QString path = xlsxPath.isEmpty() ? csvPath : xlsxPath;
    if (const std::optional<QString> error = TableExport::save({table}, path))
        return failure(*error);
    print(QStringLiteral("Сохранено: %1\n").arg(path));
    return exitOk;
}

} // namespace

QString cartHelpText() {
    return QStringLiteral(
        "orelia-cli cart [--json]                                   корзина по поставщикам с суммами\n"
        "orelia-cli cart add АРТИКУЛ ID_ПРЕДЛОЖЕНИЯ [--quantity N]  найти артикул и положить предложение в корзину\n"
        "orelia-cli cart check ПОСТАВЩИК [--json]                   проверить актуальность позиций поставщика\n"
        "orelia-cli cart remove ID_ПОЗИЦИИ                          удалить позицию\n"
        "orelia-cli cart clear ПОСТАВЩИК                            удалить все позиции поставщика\n"
        "orelia-cli cart quantity ID_ПОЗИЦИИ N                      изменить количество (в пределах остатка)\n"
        "orelia-cli cart export --xlsx ФАЙЛ | --csv ФАЙЛ            сохранить всю корзину (CSV \"-\" — на стандартный "
        "вывод)\n"
        "\n"
        "ID предложения и позиции — поле \"id\" из search --json и cart --json (например autoeuro|CHL-12345678).\n"
        "ПОСТАВЩИК: autoeuro, autopiter, autoliga. Все команды принимают --demo.\n");
}

int cartCommand(AppServices& services, QStringList args) {
    bool json = false;
    std::optional<qint64> quantity;
    QString csvPath;
    QString xlsxPath;
    QStringList positional;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == u"--") {
            positional += args;
            break;
        }
        if (arg == u"--json") {
            json = true;
        } else if (arg == u"--csv" || arg == u"--xlsx") {
            if (args.isEmpty())
                return usageError(QStringLiteral("После %1 укажите файл.").arg(arg));
            (arg == u"--csv" ? csvPath : xlsxPath) = args.takeFirst();
        } else if (arg == u"--quantity") {
            if (args.isEmpty() || !(quantity = parseQuantity(args.takeFirst())))
                return usageError(QStringLiteral("После --quantity укажите количество: целое число от 1."));
        } else if (arg.startsWith(u"--")) {
            return usageError(QStringLiteral("Неизвестный параметр: ") + arg);
        } else {
            positional.append(arg);
        }
    }
    const QString action = positional.value(0);
    if (positional.isEmpty())
        return listCart(services, json);

    CartStore& cart = services.cartStore();
    if (action == u"export") {
        if (positional.size() != 1 || csvPath.isEmpty() == xlsxPath.isEmpty() || xlsxPath == u"-")
            return usageError(QStringLiteral("Команде cart export нужен один файл: --xlsx ФАЙЛ или --csv ФАЙЛ."));
        return exportCart(cart, csvPath, xlsxPath);
    }
    if (action == u"add") {
        if (positional.size() != 3)
            return usageError(QStringLiteral("Команде cart add нужны артикул и ID предложения."));
        return Cli::runToEnd(addOffer(services, positional[1], positional[2], quantity));
    }
    if (action == u"check" || action == u"clear") {
        if (positional.size() != 2)
            return usageError(QStringLiteral("Укажите поставщика: autoeuro, autopiter или autoliga."));
        const QString supplier = positional[1];
        const auto& all = SupplierDescriptors::all();
        // A supplier this version does not know may still have lines kept from another one:
        // they are checked (each "Не удалось подтвердить") and cleared like any other.
        const bool inCart = std::any_of(cart.items().begin(), cart.items().end(),
                                        [&](const CartItem& item) { return item.supplierID == supplier; });
        if (!inCart &&
            std::none_of(all.begin(), all.end(), [&](const SupplierDescriptor& d) { return d.id == supplier; }))
            return usageError(QStringLiteral("Неизвестный поставщик: ") + supplier +
                              QStringLiteral(" (есть autoeuro, autopiter, autoliga)"));
        if (action == u"check")
            return Cli::runToEnd(checkSupplier(services, supplier, json));
        cart.clearSupplier(supplier);
        return saved(services);
    }
    if (action == u"remove" || action == u"quantity") {
        const qsizetype expected = action == u"remove" ? 2 : 3;
        if (positional.size() != expected)
            return usageError(action == u"remove" ? QStringLiteral("Команде cart remove нужен ID позиции.")
                                                  : QStringLiteral("Команде cart quantity нужны ID позиции и число."));
        const QString id = positional[1];
        std::optional<qint64> wanted;
        if (action == u"quantity" && !(wanted = parseQuantity(positional[2])))
            return usageError(QStringLiteral("Количество — целое число от 1."));
        if (!knownLine(cart, id))
            return failure(QStringLiteral("В корзине нет позиции %1.").arg(id));
        if (action == u"remove") {
            cart.remove(id);
            return saved(services);
        }
        cart.setQuantity(id, *wanted);
        if (!cart.lastChangeSaved())
            return failure(notSavedText(services));
        for (const CartItem& item : cart.items()) {
            if (item.id == id)
                print(QStringLiteral("Количество: %1 шт.\n").arg(item.quantity));
        }
        return exitOk;
    }
    return usageError(QStringLiteral("Неизвестная команда корзины: ") + action);
}
