#include "FeedbackForm.h"

#include <QLocale>

#include "core/AppVersion.h"
#include "core/TextUtils.h"

#include <QSysInfo>

namespace FeedbackForm {

std::optional<QString> blankOrAbsent(QStringView text) {
    QString trimmed = TextUtils::trimmed(text);
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

QString tooLongText(qsizetype length) {
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    return QStringLiteral("Сообщение слишком длинное: %1 символов, можно не больше %2.")
        .arg(russian.toString(length), russian.toString(maxMessageLength));
}

std::variant<FeedbackDraft, QString> makeDraft(const Fields& fields, const QString& appVersion,
                                               const QString& osVersion) {
    if (fields.message.size() > maxMessageLength)
        return tooLongText(fields.message.size());
    for (const QString* text :
         {&fields.subject, &fields.contact, &fields.supplierName, &fields.supplierWebsite, &fields.supplierRegion,
          &fields.supplierIntegrationInfo, &fields.supplierDocumentationURL, &fields.supplierIntegrationContact}) {
        if (text->size() > maxFieldLength)
            return QStringLiteral("Поле обращения слишком длинное: можно не больше %1 символов.")
                .arg(QLocale(QLocale::Russian, QLocale::Russia).toString(maxFieldLength));
    }
    FeedbackDraft draft;
    draft.category = fields.category;
    if (fields.category != FeedbackCategory::supplier) {
        draft.message = TextUtils::trimmed(fields.message);
        if (draft.message.isEmpty())
            return QStringLiteral("Введите сообщение.");
    } else {
        const QString name = TextUtils::trimmed(fields.supplierName);
        if (name.isEmpty())
            return QStringLiteral("Укажите название поставщика.");
        // A supplier proposal needs no message: the text goes as typed, even empty.
        draft.message = fields.message;
        draft.supplierCandidate = SupplierCandidateFeedback{name,
                                                            fields.supplierWebsite,
                                                            fields.supplierRegion,
                                                            fields.supplierHasAccount,
                                                            fields.supplierIntegrationInfo,
                                                            fields.supplierDocumentationURL,
                                                            fields.supplierIntegrationContact};
    }
    draft.subject = TextUtils::trimmed(fields.subject);
    draft.contact = blankOrAbsent(fields.contact);
    draft.appVersion = appVersion;
    draft.macOSVersion = osVersion;
    return draft;
}

QString appVersionText() {
    return AppVersion::displayText();
}

QString osVersionText() {
    return QSysInfo::prettyProductName();
}

QString sendingText() {
    return QStringLiteral("Отправка обращения…");
}

QString sentText(const FeedbackReceipt& receipt) {
    return QStringLiteral("Обращение отправлено. № ") + receipt.id;
}

QString noAddressText() {
    return QStringLiteral("Адрес службы обратной связи не настроен в этой сборке.");
}

} // namespace FeedbackForm
