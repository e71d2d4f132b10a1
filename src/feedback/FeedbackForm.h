#pragma once

#include "FeedbackModels.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <variant>

// The submission rules the window's form and the command line share: what the user typed
// becomes a draft or a refusal, and the texts that report the outcome.
namespace FeedbackForm {

// The form's fields as typed.
struct Fields {
    FeedbackCategory category = FeedbackCategory::improvement;
    QString subject;
    QString message;
    QString contact;
    QString supplierName;
    QString supplierWebsite;
    QString supplierRegion;
    bool supplierHasAccount = false;
    QString supplierIntegrationInfo;
    QString supplierDocumentationURL;
    QString supplierIntegrationContact;
};

// The longest message and the longest of the other texts a submission carries: enough for any
// account of a fault, and no megabytes pasted by mistake.
inline constexpr qsizetype maxMessageLength = 20000;
inline constexpr qsizetype maxFieldLength = 2000;

// The refusal of a message longer than maxMessageLength.
QString tooLongText(qsizetype length);

// Trimmed of white space and line breaks; nullopt when nothing is left.
std::optional<QString> blankOrAbsent(QStringView text);

// The draft to send, or the refusal to show ("Введите сообщение.", "Укажите название поставщика.",
// a message or a field too long).
std::variant<FeedbackDraft, QString> makeDraft(const Fields& fields, const QString& appVersion,
                                               const QString& osVersion);

// The version texts every draft carries.
QString appVersionText();
QString osVersionText();

QString sendingText();
QString sentText(const FeedbackReceipt& receipt);
// Said instead of sending when the build has no feedback address.
QString noAddressText();

} // namespace FeedbackForm
