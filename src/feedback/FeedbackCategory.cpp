#include "FeedbackCategory.h"

namespace FeedbackCategories {

QList<FeedbackCategory> all() {
    return {FeedbackCategory::improvement, FeedbackCategory::bug, FeedbackCategory::supplier, FeedbackCategory::other};
}

QString wireValue(FeedbackCategory category) {
    switch (category) {
    case FeedbackCategory::improvement:
        return QStringLiteral("improvement");
    case FeedbackCategory::bug:
        return QStringLiteral("bug");
    case FeedbackCategory::supplier:
        return QStringLiteral("supplier");
    case FeedbackCategory::other:
        return QStringLiteral("other");
    }
    return {};
}

QString title(FeedbackCategory category) {
    switch (category) {
    case FeedbackCategory::improvement:
        return QStringLiteral("Предложить улучшение");
    case FeedbackCategory::bug:
        return QStringLiteral("Сообщить об ошибке");
    case FeedbackCategory::supplier:
        return QStringLiteral("Предложить нового поставщика");
    case FeedbackCategory::other:
        return QStringLiteral("Другое");
    }
    return {};
}

std::optional<FeedbackCategory> fromWireValue(QStringView value) {
    for (const FeedbackCategory category : all()) {
        if (wireValue(category) == value)
            return category;
    }
    return std::nullopt;
}

} // namespace FeedbackCategories
