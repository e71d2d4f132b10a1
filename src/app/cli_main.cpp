// orelia-cli: the search pipeline from a terminal, for scripting and for checking
// what the window would show.
#include "app/AppServices.h"
#include "app/BatchCommand.h"
#include "app/CartCommand.h"
#include "app/CliSupport.h"
#include "app/CredentialsCommand.h"
#include "app/FeedbackCommand.h"
#include "app/OfferReport.h"
#include "app/QtTranslations.h"
#include "app/SuppliersCommand.h"
#include "cart/CartStore.h"
#include "core/AppVersion.h"
#include "core/SupplierDescriptor.h"
#include "core/SupplierPreferences.h"
#include "core/TextUtils.h"
#include "core/UserDefaults.h"
#include "offertable/PriceDisplay.h"
#include "search/SearchViewModel.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <QTextStream>

#include <cmath>
#include <cstdio>

namespace {

using Cli::out;
using Cli::print;
using Cli::printError;
using Cli::runToEnd;
using Cli::usageError;

constexpr int kExitOk = Cli::exitOk;
constexpr int kExitNothingFound = Cli::exitFailed;
constexpr int kExitUsage = Cli::exitUsage;

const QString kGeneralHelp =
    QStringLiteral("orelia-cli — проценка деталей у ваших поставщиков из командной строки.\n"
                   "\n"
                   "Команды:\n"
                   "  search АРТИКУЛ [--json] [--all] [--markup ПРОЦЕНТ]   поиск предложений\n"
                   "  suppliers [enable | disable | check | add | remove]  поставщики, адреса, включение и проверка\n"
                   "  markup [ПРОЦЕНТ]                                    наценка: показать или задать\n"
                   "  cart [add | check | remove | clear | quantity …]      корзина; orelia-cli cart --help\n"
                   "  batch ФАЙЛ|- [--json | --csv | --xlsx ФАЙЛ]        проценка списка; orelia-cli batch --help\n"
                   "  credentials list | set АККАУНТ | delete АККАУНТ     учётные данные поставщиков\n"
                   "  feedback --category КАТЕГОРИЯ < сообщение           обращение в службу обратной связи\n"
                   "\n"
                   "Общие параметры:\n"
                   "  --demo   встроенная песочница поставщиков, демо-учётные данные и отдельные настройки\n"
                   "  --help   справка (и по каждой команде: orelia-cli КОМАНДА --help)\n"
                   "  --version  версия программы и сборка\n"
                   "\n"
                   "Коды выхода: 0 — команда выполнена, 1 — ничего не найдено и поставщик вернул ошибку,\n"
                   "2 — ошибка в командной строке.\n");

const QString kSearchHelp =
    QStringLiteral("orelia-cli search АРТИКУЛ [--json] [--all] [--markup ПРОЦЕНТ] [--progress] [--demo]\n"
                   "\n"
                   "Ищет артикул у включённых поставщиков так же, как окно Orelia, и печатает таблицу\n"
                   "предложений, строку состояния и время поиска.\n"
                   "  --json             один объект JSON вместо таблицы\n"
                   "  --all              показать все предложения, а не только полезные\n"
                   "  --markup ПРОЦЕНТ   наценка вместо сохранённой в настройках\n"
                   "  --progress         по мере ответов печатать в stderr, кто из поставщиков ответил\n");

const QString kMarkupHelp =
    QStringLiteral("orelia-cli markup [--demo]            текущая наценка в процентах\n"
                   "orelia-cli markup ПРОЦЕНТ [--demo]    задать наценку (0–1000, можно с дробной частью)\n"
                   "\n"
                   "Цены с наценкой округляются вверх до 50 руб.\n");

int printHelp(const QString& text) {
    out() << text;
    out().flush();
    return kExitOk;
}

struct SearchOptions {
    QString article;
    bool json = false;
    bool all = false;
    bool progress = false;
    std::optional<double> markup;
};

int runSearch(AppServices& services, const SearchOptions& options) {
    SearchViewModel model(services.supplierPreferences(), services.searchConnectors());
    const double markup = options.markup.value_or(PriceDisplay::storedMarkupPercent(services.userDefaults()));
    int status = kExitOk;
    if (options.progress) {
        QObject::connect(&model, &SearchViewModel::supplierAnswered, &model, [](const QString& line) {
            Cli::err() << line << u'\n';
            Cli::err().flush();
        });
    }
    QObject::connect(&model, &SearchViewModel::searchFinished, &model, [&] {
        OfferTableSettings settings = storedOfferTableSettings(services.userDefaults());
        settings.showingAllOffers = options.all;
        const QDateTime now = QDateTime::currentDateTime();
        QString error = model.errorMessage();
        if (model.needsSetup())
            error += QStringLiteral("\nИз командной строки: printf '%s' \"$KEY\" | orelia-cli credentials set "
                                    "autoeuro-api-key (все аккаунты: orelia-cli credentials --help). Без учётных "
                                    "данных: orelia-cli search АРТИКУЛ --demo.");
        OfferReport::SearchOutcome outcome{model.article(),
                                           model.statusMessage(),
                                           error,
                                           model.searchDurationDisplay(),
                                           makeOffersSnapshot(model.offers(), settings, now),
                                           markup};
        if (options.json)
            out() << QString::fromUtf8(QJsonDocument(OfferReport::searchJson(outcome, now)).toJson());
        else
            print(OfferReport::searchText(outcome, now));
        out().flush();
        status = outcome.error.isNull() ? kExitOk : kExitNothingFound;
        QCoreApplication::exit(status);
    });
    model.setArticle(options.article);
    model.search();
    if (model.isLoading())
        return QCoreApplication::exec();
    if (model.searchDurationDisplay().isNull())
        return usageError(QStringLiteral("Пустой артикул: укажите, что искать."));
    return status; // finished without waiting (no supplier enabled)
}

int searchCommand(AppServices& services, QStringList args) {
    SearchOptions options;
    QStringList positional;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == u"--") {
            positional += args; // everything after "--" is the article, even "--help"
            break;
        }
        if (arg == u"--json") {
            options.json = true;
        } else if (arg == u"--all") {
            options.all = true;
        } else if (arg == u"--progress") {
            options.progress = true;
        } else if (arg == u"--markup") {
            if (args.isEmpty())
                return usageError(QStringLiteral("После --markup укажите наценку в процентах."));
            bool ok = false;
            const double value = args.takeFirst().replace(u',', u'.').toDouble(&ok);
            if (!ok || !std::isfinite(value) || value < 0 || value > 1000)
                return usageError(QStringLiteral("Наценка должна быть числом от 0 до 1000."));
            options.markup = value;
        } else if (arg.startsWith(u"--")) {
            return usageError(QStringLiteral("Неизвестный параметр: ") + arg);
        } else {
            positional.append(arg);
        }
    }
    if (positional.size() != 1)
        return usageError(QStringLiteral("Команде search нужен ровно один артикул (в кавычках, если в нём пробелы)."));
    options.article = positional.first();
    return runSearch(services, options);
}

int markupCommand(AppServices& services, const QStringList& args) {
    UserDefaults& defaults = services.userDefaults();
    if (args.isEmpty()) {
        print(QLocale(QLocale::Russian, QLocale::Russia)
                  .toString(PriceDisplay::storedMarkupPercent(defaults), 'f', 2)
                  .remove(QRegularExpression(QStringLiteral(",?0+$"))) +
              QStringLiteral(" %\n"));
        return kExitOk;
    }
    if (args.size() != 1)
        return usageError(QStringLiteral("Команде markup нужен один процент наценки (или ничего, чтобы её показать)."));
    bool ok = false;
    const double value = QString(args.first()).replace(u',', u'.').toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0 || value > 1000)
        return usageError(QStringLiteral("Наценка должна быть числом от 0 до 1000."));
    defaults.setDouble(UserDefaultsKeys::markupPercent, value);
    if (!defaults.isWritable()) {
        printError(QStringLiteral("Не удалось сохранить настройки: ") + defaults.fileName() + u'\n');
        return kExitNothingFound;
    }
    return kExitOk;
}

// Qt's own warnings ("QNetworkReplyImplPrivate::error: Internal problem…") are for developers:
// the buyer's terminal and scripts reading standard error get Orelia's texts only.
// ORELIA_DEBUG set lets them through.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg)
        std::fputs((message + u'\n').toLocal8Bit().constData(), stderr);
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("ORELIA_DEBUG"))
        qInstallMessageHandler(quietQtMessages);
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orelia"));
    QCoreApplication::setApplicationName(QStringLiteral("Orelia"));
    QtTranslations::install();

    // "--" ends the options: what follows is taken as written (an article "--help", say).
    QStringList args = QCoreApplication::arguments().mid(1);
    const qsizetype end = args.indexOf(QStringLiteral("--"));
    QStringList literal = end >= 0 ? args.mid(end) : QStringList();
    if (end >= 0)
        args = args.mid(0, end);
    if (args.contains(QStringLiteral("--version"))) {
        print(AppVersion::versionLine() + u'\n');
        return kExitOk;
    }
    const bool demo = args.removeAll(QStringLiteral("--demo")) > 0;
    const bool help = args.removeAll(QStringLiteral("--help")) + args.removeAll(QStringLiteral("-h")) > 0;
    args += literal;
    if (args.isEmpty())
        return help ? printHelp(kGeneralHelp) : usageError(QStringLiteral("Не указана команда."));

    const QString command = args.takeFirst();
    if (help) {
        if (command == u"search")
            return printHelp(kSearchHelp);
        if (command == u"suppliers")
            return printHelp(suppliersHelpText());
        if (command == u"cart")
            return printHelp(cartHelpText());
        if (command == u"credentials")
            return printHelp(credentialsHelpText());
        if (command == u"feedback")
            return printHelp(feedbackHelpText());
        if (command == u"markup")
            return printHelp(kMarkupHelp);
        if (command == u"batch")
            return printHelp(batchHelpText());
        return printHelp(kGeneralHelp);
    }
    if (command != u"search" && command != u"suppliers" && command != u"cart" && command != u"credentials" &&
        command != u"feedback" && command != u"markup" && command != u"batch")
        return usageError(QStringLiteral("Неизвестная команда: ") + command);

    AppServices::Options options;
    options.demo = demo;
    AppServices services(options);
    if (command == u"search")
        return searchCommand(services, args);
    if (command == u"suppliers")
        return suppliersCommand(services, args);
    if (command == u"credentials")
        return credentialsCommand(services, args);
    if (command == u"feedback")
        return feedbackCommand(services, args);
    if (command == u"markup")
        return markupCommand(services, args);
    if (command == u"batch")
        return batchCommand(services, args);
    return cartCommand(services, args);
}
