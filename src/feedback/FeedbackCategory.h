#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// What a feedback message is about. The order is the order of the form's picker.
enum class FeedbackCategory { improvement, bug, supplier, other };

namespace FeedbackCategories {

// Every category, in picker order.
QList<FeedbackCategory> all();
// The value on the wire ("improvement", "bug", "supplier", "other").
QString wireValue(FeedbackCategory category);
// The text in the picker.
QString title(FeedbackCategory category);
std::optional<FeedbackCategory> fromWireValue(QStringView value);

} // namespace FeedbackCategories
