#include "FeedbackCommand.h"

#include "app/AppServices.h"
#include "app/CliSupport.h"
#include "core/UserFacingError.h"
#include "feedback/FeedbackForm.h"
#include "feedback/FeedbackTransport.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cstdio>

namespace {

using Cli::exitFailed;
using Cli::exitOk;
using Cli::failure;
using Cli::out;
using Cli::runToEnd;

int usageError(const QString& message) {
    return Cli::usageError(message, QStringLiteral("orelia-cli feedback --help"));
}

QCoro::Task<int> send(FeedbackTransport& transport, FeedbackDraft draft) {
    try {
        auto submission = transport.submit(std::move(draft));
        const FeedbackReceipt receipt = co_await std::move(submission);
        Cli::print(FeedbackForm::sentText(receipt) + u'\n');
    } catch (const UserFacingError& error) {
        co_return failure(error.description());
    }
    co_return exitOk;
}

} // namespace

QString feedbackHelpText() {
    return QStringLiteral(
        "orelia-cli feedback --category КАТЕГОРИЯ [--subject ТЕКСТ] [--contact ТЕКСТ] [--demo] < сообщение\n"
        "\n"
        "Отправляет обращение в службу обратной связи Orelia так же, как окно «Обратная связь».\n"
        "Текст сообщения читается со стандартного ввода (UTF-8).\n"
        "  --category КАТЕГОРИЯ   improvement, bug, supplier или other\n"
        "  --subject ТЕКСТ        тема\n"
        "  --contact ТЕКСТ        контакт для ответа (необязательно)\n"
        "Для категории supplier (сообщение может быть пустым):\n"
        "  --supplier-name ТЕКСТ                 название поставщика (обязательно)\n"
        "  --supplier-website ТЕКСТ              официальный сайт\n"
        "  --supplier-region ТЕКСТ               страна / регион\n"
        "  --supplier-has-account                у меня есть аккаунт этого поставщика\n"
        "  --supplier-integration-info ТЕКСТ     что известно об API или интеграции\n"
        "  --supplier-documentation-url ТЕКСТ    ссылка на документацию API\n"
        "  --supplier-integration-contact ТЕКСТ  контакт отдела интеграции\n"
        "\n"
        "К обращению не добавляются API-ключи, пароли, корзина или история поиска.\n"
        "Коды выхода: 0 — обращение отправлено (печатается его номер), 1 — обращение не принято\n"
        "или служба вернула ошибку, 2 — ошибка в командной строке.\n");
}

int feedbackCommand(AppServices& services, QStringList args) {
    FeedbackForm::Fields fields;
    std::optional<FeedbackCategory> category;
    bool supplierOptions = false;
    const QHash<QString, QString*> textOptions = {
        {QStringLiteral("--subject"), &fields.subject},
        {QStringLiteral("--contact"), &fields.contact},
        {QStringLiteral("--supplier-name"), &fields.supplierName},
        {QStringLiteral("--supplier-website"), &fields.supplierWebsite},
        {QStringLiteral("--supplier-region"), &fields.supplierRegion},
        {QStringLiteral("--supplier-integration-info"), &fields.supplierIntegrationInfo},
        {QStringLiteral("--supplier-documentation-url"), &fields.supplierDocumentationURL},
        {QStringLiteral("--supplier-integration-contact"), &fields.supplierIntegrationContact},
    };
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == u"--supplier-has-account") {
            fields.supplierHasAccount = true;
            supplierOptions = true;
            continue;
        }
        if (arg != u"--category" && !textOptions.contains(arg))
            return usageError(QStringLiteral("Неизвестный параметр: ") + arg);
        if (args.isEmpty())
            return usageError(QStringLiteral("После %1 укажите значение.").arg(arg));
        const QString value = args.takeFirst();
        if (arg == u"--category") {
            category = FeedbackCategories::fromWireValue(value);
            if (!category)
                return usageError(QStringLiteral("Неизвестная категория: ") + value +
                                  QStringLiteral(" (есть improvement, bug, supplier, other)"));
            continue;
        }
        *textOptions.value(arg) = value;
        supplierOptions = supplierOptions || arg.startsWith(u"--supplier-");
    }
    if (!category)
        return usageError(QStringLiteral("Укажите категорию: --category improvement, bug, supplier или other."));
    if (supplierOptions && *category != FeedbackCategory::supplier)
        return usageError(QStringLiteral("Параметры --supplier-… относятся только к категории supplier."));
    fields.category = *category;

    // Read no more than a message may hold (a UTF-8 character takes up to four bytes): a file
    // of hundreds of megabytes piped in by mistake is refused, not loaded.
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return failure(QStringLiteral("Не удалось прочитать сообщение со стандартного ввода."));
    const QByteArray bytes = input.read(4 * FeedbackForm::maxMessageLength + 1);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    fields.message = utf8.decode(bytes);
    if (bytes.size() > 4 * FeedbackForm::maxMessageLength)
        return failure(FeedbackForm::tooLongText(std::max(fields.message.size(), FeedbackForm::maxMessageLength + 1)));
    if (utf8.hasError() || bytes.contains('\0'))
        return failure(QStringLiteral("Сообщение не похоже на текст: передайте его в кодировке UTF-8."));

    auto made = FeedbackForm::makeDraft(fields, FeedbackForm::appVersionText(), FeedbackForm::osVersionText());
    if (const QString* refusal = std::get_if<QString>(&made))
        return failure(*refusal);
    FeedbackTransport& transport = services.feedbackTransport();
    if (!transport.hasEndpoint())
        return failure(FeedbackForm::noAddressText());
    return runToEnd(send(transport, std::get<FeedbackDraft>(std::move(made))));
}
