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

// Trimmed of white space and line breaks; nullopt when nothing is left.
std::optional<QString> blankOrAbsent(QStringView text);

// The draft to send, or the refusal to show ("Введите сообщение.", "Укажите название поставщика.").
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
