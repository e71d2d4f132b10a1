#include "BatchCommand.h"

#include "app/AppServices.h"
#include "app/CliSupport.h"
#include "app/OfferReport.h"
#include "batch/BatchInput.h"
#include "batch/BatchPricer.h"
#include "batch/BatchReport.h"
#include "batch/ListFile.h"
#include "export/TableExport.h"
#include "offertable/DeliveryDisplay.h"
#include "offertable/PriceDisplay.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace {

using Cli::exitFailed;
using Cli::exitOk;
using Cli::exitUsage;
using Cli::print;
using Cli::printError;

int usageError(const QString& message) {
    return Cli::usageError(message, QStringLiteral("orelia-cli batch --help"));
}

struct BatchOptions {
    QString input;
    bool json = false;
    QString csvPath;
    QString xlsxPath;
    BatchChoice choice;
    std::optional<double> markup;
};

// The list's bytes; the error text when they cannot be had.
std::optional<QByteArray> readInput(const QString& input, QString* error) {
    QFile file;
    const bool fromStdin = input == u"-";
    bool opened = false;
    if (fromStdin) {
        opened = file.open(stdin, QIODevice::ReadOnly);
    } else {
        file.setFileName(input);
        opened = file.open(QIODevice::ReadOnly);
    }
    if (!opened) {
        *error = QStringLiteral("Не удалось прочитать список %1: %2").arg(input, file.errorString());
        return std::nullopt;
    }
    QByteArray bytes = file.read(ListFile::maxFileBytes + 1);
    if (bytes.size() > ListFile::maxFileBytes) {
        *error = QStringLiteral("Список %1 больше %2 МБ: это не похоже на список деталей.")
                     .arg(fromStdin ? QStringLiteral("со стандартного ввода") : input)
                     .arg(ListFile::maxFileBytes / (1024 * 1024));
        return std::nullopt;
    }
    return bytes;
}

QString lineText(const BatchRow& row) {
    const BatchLine& line = row.result.line;
    return line.brand.isEmpty() ? line.article : line.article + QStringLiteral(" · ") + line.brand;
}

QString reportText(const BatchReport& report, const QDateTime& now) {
    QList<QStringList> rows;
    for (const BatchRow& row : report.rows) {
        const BatchLine& line = row.result.line;
        QStringList cells{QString::number(line.lineNumber), lineText(row), QString::number(line.quantity)};
        if (row.best) {
            const SupplierOffer& o = *row.best;
            cells += {o.brand,
                      o.article,
                      o.name,
                      priceDisplay(o, report.markupPercent),
                      PFCurrencyDisplay::price(row.lineTotal.toFixed(2), o.currency),
                      deliveryDaysText(o.deliveryDescription, o.deliveryDate, now),
                      stockText(o),
                      o.supplierName,
                      QString::number(row.otherOffers()),
                      row.problem};
        } else {
            cells += {QString(), QString(), row.problem};
        }
        rows.append(cells);
    }
    QString out = OfferReport::alignedTable(
        {QStringLiteral("Строка"), QStringLiteral("Запрос"), QStringLiteral("Кол-во"), QStringLiteral("Производитель"),
         QStringLiteral("Артикул"), QStringLiteral("Наименование"), QStringLiteral("Цена"), QStringLiteral("Сумма"),
         QStringLiteral("Доставка"), QStringLiteral("Остаток"), QStringLiteral("Поставщик"), QStringLiteral("Ещё"),
         QStringLiteral("Примечание")},
        rows, 60);
    out += u'\n';
    const bool marked = PriceDisplay::shownPrice(Decimal(100), report.markupPercent) != Decimal(100);
    const auto purchase = [marked](const Decimal& amount) {
        return marked ? QStringLiteral(" (закупка ") + BatchReport::money(amount) + u')' : QString();
    };
    for (const BatchSupplierTotal& supplier : report.suppliers)
        out += QStringLiteral("Итого %1: строк %2, %3 шт., %4%5\n")
                   .arg(supplier.supplierName)
                   .arg(supplier.lines)
                   .arg(supplier.quantity)
                   .arg(BatchReport::money(supplier.total), purchase(supplier.purchaseTotal));
    out += QStringLiteral("Всего: проценено %1 из %2 строк, %3%4\n")
               .arg(report.pricedLines)
               .arg(report.rows.size())
               .arg(BatchReport::money(report.total), purchase(report.purchaseTotal));
    out += QStringLiteral("Лучшее предложение: ") + BestOfferRules::title(report.choice.rule).toLower();
    if (report.choice.maxDeliveryDays)
        out += QStringLiteral(" · не дольше %1 дн.").arg(*report.choice.maxDeliveryDays);
    if (report.choice.enoughStockOnly)
        out += QStringLiteral(" · в наличии не меньше нужного количества");
    out +=
        report.choice.analoguesAllowed ? QStringLiteral(" · аналоги разрешены\n") : QStringLiteral(" · без аналогов\n");
    return out;
}

QJsonValue textOrNull(const QString& text) {
    return text.isNull() ? QJsonValue() : QJsonValue(text);
}

QString stateKey(BatchLineResult::State state) {
    switch (state) {
    case BatchLineResult::State::waiting:
        return QStringLiteral("waiting");
    case BatchLineResult::State::searching:
        return QStringLiteral("searching");
    case BatchLineResult::State::skipped:
        return QStringLiteral("skipped");
    case BatchLineResult::State::finished:
        break;
    }
    return QStringLiteral("finished");
}

QJsonObject reportJson(const BatchReport& report, const QList<BatchInputIssue>& issues, const QDateTime& now) {
    QJsonArray lines;
    for (const BatchRow& row : report.rows) {
        const BatchLineResult& r = row.result;
        lines.append(QJsonObject{
            {QStringLiteral("lineNumber"), r.line.lineNumber},
            {QStringLiteral("article"), r.line.article},
            {QStringLiteral("brand"), r.line.brand},
            {QStringLiteral("quantity"), QString::number(r.line.quantity)},
            {QStringLiteral("searchedArticle"), r.searchedArticle},
            {QStringLiteral("askedArticle"), row.askedArticle},
            {QStringLiteral("state"), stateKey(r.state)},
            {QStringLiteral("status"), textOrNull(r.statusMessage)},
            {QStringLiteral("error"), textOrNull(r.errorMessage)},
            {QStringLiteral("supplierFailures"), QJsonArray::fromStringList(r.supplierFailures)},
            {QStringLiteral("offerCount"), row.all.size()},
            {QStringLiteral("best"),
             row.best ? QJsonValue(OfferReport::offerJson(*row.best, report.markupPercent, now)) : QJsonValue()},
            {QStringLiteral("unitPrice"), row.best ? QJsonValue(row.unitPrice.toString()) : QJsonValue()},
            {QStringLiteral("lineTotal"), row.best ? QJsonValue(row.lineTotal.toString()) : QJsonValue()},
            {QStringLiteral("enoughStock"), row.enoughStock},
            {QStringLiteral("analogue"), row.analogue},
            {QStringLiteral("pickedByHand"), row.pickedByHand},
            {QStringLiteral("note"), row.problem},
        });
    }
    QJsonArray suppliers;
    for (const BatchSupplierTotal& s : report.suppliers) {
        suppliers.append(QJsonObject{{QStringLiteral("supplierID"), s.supplierID},
                                     {QStringLiteral("supplierName"), s.supplierName},
                                     {QStringLiteral("lines"), s.lines},
                                     {QStringLiteral("quantity"), QString::number(s.quantity)},
                                     {QStringLiteral("total"), s.total.toString()},
                                     {QStringLiteral("purchaseTotal"), s.purchaseTotal.toString()}});
    }
    QJsonArray problems;
    for (const BatchInputIssue& issue : issues)
        problems.append(
            QJsonObject{{QStringLiteral("lineNumber"), issue.lineNumber}, {QStringLiteral("message"), issue.message}});
    const BatchChoice& choice = report.choice;
    return QJsonObject{{QStringLiteral("rule"), BestOfferRules::key(choice.rule)},
                       {QStringLiteral("analoguesAllowed"), choice.analoguesAllowed},
                       {QStringLiteral("maxDeliveryDays"),
                        choice.maxDeliveryDays ? QJsonValue(*choice.maxDeliveryDays) : QJsonValue()},
                       {QStringLiteral("enoughStockOnly"), choice.enoughStockOnly},
                       {QStringLiteral("markupPercent"), report.markupPercent},
                       {QStringLiteral("lines"), lines},
                       {QStringLiteral("suppliers"), suppliers},
                       {QStringLiteral("total"), report.total.toString()},
                       {QStringLiteral("purchaseTotal"), report.purchaseTotal.toString()},
                       {QStringLiteral("pricedLines"), report.pricedLines},
                       {QStringLiteral("lineCount"), report.rows.size()},
                       {QStringLiteral("inputIssues"), problems}};
}

QCoro::Task<int> priceList(AppServices& services, BatchOptions options, BatchInput input) {
    BatchPricer pricer(services.supplierPreferences(), services.searchConnectors());
    // Progress only for a person watching; scripts read the result.
    if (isatty(fileno(stderr))) {
        QObject::connect(&pricer, &BatchPricer::lineFinished, &pricer, [&pricer] {
            Cli::err() << u'\r' << BatchPricer::progressText(pricer.finishedCount(), pricer.total());
            Cli::err().flush();
        });
    }
    auto run = pricer.run(input.lines);
    co_await std::move(run);
    if (isatty(fileno(stderr)))
        printError(QStringLiteral("\r\n"));

    const QDateTime now = QDateTime::currentDateTime();
    const double markup = options.markup.value_or(PriceDisplay::storedMarkupPercent(services.userDefaults()));
    const BatchReport report = BatchReport::evaluate(pricer.results(), options.choice,
                                                     storedOfferTableSettings(services.userDefaults()), markup, now);
    int status = report.allPriced() && input.issues.isEmpty() ? exitOk : exitFailed;
    if (options.json) {
        Cli::out() << QString::fromUtf8(QJsonDocument(reportJson(report, input.issues, now)).toJson());
        Cli::out().flush();
        co_return status;
    }
    const QList<ExportTable> tables = report.exportTables(now);
    if (options.csvPath == u"-") {
        Cli::out().flush();
        const QByteArray bytes = TableExport::csv(tables.first());
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        std::fflush(stdout);
        co_return status;
    }
    print(reportText(report, now));
    for (const QString& path : {options.csvPath, options.xlsxPath}) {
        if (path.isEmpty())
            continue;
        if (const auto error = TableExport::save(tables, path)) {
            printError(*error + u'\n');
            status = exitFailed;
        } else {
            print(QStringLiteral("Сохранено: ") + path + u'\n');
        }
    }
    co_return status;
}

} // namespace

QString batchHelpText() {
    return QStringLiteral(
        "orelia-cli batch ФАЙЛ|- [--json | --csv ФАЙЛ | --xlsx ФАЙЛ] [--rule cheapest|fastest|risk]\n"
        "                 [--analogues] [--max-days ДНЕЙ] [--in-stock] [--markup ПРОЦЕНТ] [--demo]\n"
        "\n"
        "Проценка списка: каждая строка ищется у включённых поставщиков так же, как в окне Orelia\n"
        "(не больше двух поисков одновременно), и для неё выбирается лучшее предложение искомой детали:\n"
        "тот же артикул и, если он указан, тот же производитель. Аналог выбирается, только когда\n"
        "искомой детали нет и аналоги разрешены; в примечании он отмечен («аналог OC 90»).\n"
        "Строка списка: артикул, затем по желанию производитель и количество, через табуляцию,\n"
        "«;» или «,». Строка заголовка (Артикул;Производитель;Кол-во) распознаётся, пустые строки\n"
        "пропускаются. Файл — текст (.txt, .csv) или книга (.xlsx, .ods, .xls): читается её\n"
        "первый лист. «-» вместо файла — читать список со стандартного ввода.\n"
        "  --json            один объект JSON вместо таблицы\n"
        "  --csv ФАЙЛ        сохранить результат в CSV для Excel (\"-\" — на стандартный вывод)\n"
        "  --xlsx ФАЙЛ       сохранить результат в книгу Excel\n"
        "  --rule ПРАВИЛО    cheapest — самое дешёвое (по умолчанию), fastest — самое быстрое,\n"
        "                    risk — наименьший риск отказа\n"
        "  --analogues       разрешить аналоги для строк, где нет искомой детали\n"
        "  --max-days ДНЕЙ   только предложения со сроком доставки не дольше ДНЕЙ\n"
        "  --in-stock        только предложения, где в наличии не меньше нужного количества\n"
        "  --markup ПРОЦЕНТ  наценка вместо сохранённой в настройках\n"
        "\n"
        "Коды выхода: 0 — проценены все строки, 1 — по какой-то строке ничего не найдено, поставщик\n"
        "вернул ошибку или строку списка не удалось прочитать, 2 — ошибка в командной строке или\n"
        "список не прочитан.\n");
}

int batchCommand(AppServices& services, QStringList args) {
    BatchOptions options;
    QStringList positional;
    int outputs = 0;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == u"--") {
            positional += args;
            break;
        }
        if (arg == u"--json") {
            options.json = true;
            ++outputs;
        } else if (arg == u"--csv" || arg == u"--xlsx") {
            if (args.isEmpty() || args.first().isEmpty())
                return usageError(QStringLiteral("После %1 укажите файл.").arg(arg));
            (arg == u"--csv" ? options.csvPath : options.xlsxPath) = args.takeFirst();
            ++outputs;
        } else if (arg == u"--rule") {
            const auto rule = args.isEmpty() ? std::nullopt : BestOfferRules::fromKey(args.takeFirst());
            if (!rule)
                return usageError(QStringLiteral("После --rule укажите правило: cheapest, fastest или risk."));
            options.choice.rule = *rule;
        } else if (arg == u"--analogues") {
            options.choice.analoguesAllowed = true;
        } else if (arg == u"--in-stock") {
            options.choice.enoughStockOnly = true;
        } else if (arg == u"--max-days") {
            bool ok = false;
            const int days = args.isEmpty() ? -1 : args.takeFirst().toInt(&ok);
            if (!ok || days < 0 || days > 365)
                return usageError(QStringLiteral("После --max-days укажите число дней от 0 до 365."));
            options.choice.maxDeliveryDays = days;
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
        return usageError(QStringLiteral("Команде batch нужен один файл со списком (или «-» для стандартного ввода)."));
    if (outputs > 1)
        return usageError(QStringLiteral("Укажите что-то одно: --json, --csv или --xlsx."));
    if (!options.xlsxPath.isEmpty() && options.xlsxPath == u"-")
        return usageError(QStringLiteral("Книгу Excel можно сохранить только в файл."));
    options.input = positional.first();

    QString error;
    const auto bytes = readInput(options.input, &error);
    if (!bytes) {
        printError(error + u'\n');
        return exitUsage;
    }
    const ListFile list = ListFile::read(*bytes);
    if (!list.error.isEmpty()) {
        printError(list.error + u'\n');
        return exitUsage;
    }
    if (!list.note.isEmpty())
        printError(list.note + u'\n');
    BatchInput input = BatchInput::parse(list.text);
    for (const BatchInputIssue& issue : input.issues)
        printError(issue.text() + u'\n');
    if (input.lines.isEmpty()) {
        printError(QStringLiteral("В списке нет ни одного артикула.\n"));
        return exitUsage;
    }
    return Cli::runToEnd(priceList(services, std::move(options), std::move(input)));
}
