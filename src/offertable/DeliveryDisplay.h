#pragma once

#include "core/SupplierOffer.h"

#include <QDateTime>
#include <QString>

#include <optional>

// Delivery terms as "N дн.": from a supplier's free text ("3 дн.", "от 2 до 5 дней", "7",
// "25.12.2026") or from a delivery date; "—" when nothing is known. Days are calendar days
// in local time counted from `now`.
QString deliveryDaysText(const std::optional<QString>& description, const std::optional<QDateTime>& date,
                         const QDateTime& now);
QString deliveryDaysText(const std::optional<QString>& description, const std::optional<QDateTime>& date);
// Whole days from today to the date's day; 0 for a past date.
QString deliveryDaysUntil(const QDateTime& date, const QDateTime& now);
QString deliveryDaysUntil(const QDateTime& date);

// The stock cell: the supplier's note ("++"), the quantity, or "—".
QString stockText(const SupplierOffer& offer);
// The refusal-risk cell: "3.46%", or "—".
QString riskText(const SupplierOffer& offer);
