// orelia-cli: the search pipeline from a terminal, for scripting and for checking
// what the window would show.
#include "app/AppServices.h"
#include "core/SupplierDescriptor.h"
#include "core/SupplierPreferences.h"
#include "search/SearchViewModel.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

namespace {

QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

constexpr int kExitOk = 0;
constexpr int kExitNothingFound = 1;
constexpr int kExitUsage = 2;

void printUsage() {
    out() << QStringLiteral("Использование:\n"
                            "  orelia-cli search АРТИКУЛ      поиск предложений у включённых поставщиков\n"
                            "  orelia-cli suppliers           поставщики и их состояние\n"
                            "  orelia-cli suppliers enable ID включить поставщика (autoeuro, autopiter, autoliga)\n"
                            "  orelia-cli suppliers disable ID\n"
                            "  orelia-cli --help              эта справка\n");
    out().flush();
}

int usageError(const QString& message) {
    err() << message << u'\n';
    err() << QStringLiteral("Справка: orelia-cli --help\n");
    err().flush();
    return kExitUsage;
}

int runSearch(AppServices& services, const QString& article) {
    SearchViewModel model(services.supplierPreferences(), services.searchConnectors());
    model.setArticle(article);
    int status = kExitOk;
    bool finished = false;
    QObject::connect(&model, &SearchViewModel::searchFinished, &model, [&] {
        finished = true;
        for (const auto& offer : model.offers()) {
            out() << offer.supplierName << u'\t' << offer.brand << u'\t' << offer.article << u'\t' << offer.name
                  << u'\t' << offer.price.toString() << u' ' << offer.currency << u'\t'
                  << offer.deliveryDescription.value_or(QString()) << u'\n';
        }
        if (!model.statusMessage().isNull())
            out() << model.statusMessage() << u'\n';
        if (!model.errorMessage().isNull()) {
            err() << model.errorMessage() << u'\n';
            status = kExitNothingFound;
        }
        out() << model.searchDurationDisplay() << u'\n';
        out().flush();
        err().flush();
        QCoreApplication::exit(status);
    });
    model.search();
    if (!finished && !model.isLoading())
        return usageError(QStringLiteral("Пустой артикул: укажите, что искать."));
    if (finished)
        return status;
    return QCoreApplication::exec();
}

int runSuppliers(AppServices& services, const QStringList& args) {
    auto& prefs = services.supplierPreferences();
    if (args.isEmpty()) {
        for (const auto& d : SupplierDescriptors::all()) {
            out() << d.id << u'\t' << d.displayName << u'\t'
                  << (prefs.isEnabled(d.id) ? QStringLiteral("включён") : QStringLiteral("выключен")) << u'\n';
        }
        out().flush();
        return kExitOk;
    }
    if (args.size() != 2 || (args[0] != u"enable" && args[0] != u"disable"))
        return usageError(QStringLiteral("Неизвестная команда поставщиков: ") + args.join(u' '));
    if (!prefs.setEnabled(args[1], args[0] == u"enable"))
        return usageError(QStringLiteral("Неизвестный поставщик: ") + args[1]);
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orelia"));
    QCoreApplication::setApplicationName(QStringLiteral("Orelia"));

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return usageError(QStringLiteral("Не указана команда."));
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        printUsage();
        return kExitOk;
    }

    AppServices services(AppServices::Options{});
    const QString command = args.takeFirst();
    if (command == u"search") {
        if (args.size() != 1)
            return usageError(QStringLiteral("Команде search нужен ровно один артикул."));
        return runSearch(services, args.first());
    }
    if (command == u"suppliers")
        return runSuppliers(services, args);
    return usageError(QStringLiteral("Неизвестная команда: ") + command);
}
