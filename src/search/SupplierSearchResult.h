#pragma once

#include "core/SupplierOffer.h"

#include <QList>
#include <QString>

#include <variant>

// The outcome of asking one supplier: its offers, or a ready-made failure text
// ("AutoEuro: …"). A supplier that was not asked has no result at all.
class SupplierSearchResult {
public:
    static SupplierSearchResult success(QList<SupplierOffer> offers) { return SupplierSearchResult(std::move(offers)); }
    static SupplierSearchResult failure(QString text) { return SupplierSearchResult(std::move(text)); }

    bool isSuccess() const { return std::holds_alternative<QList<SupplierOffer>>(m_value); }
    // Empty for a failure.
    QList<SupplierOffer> offers() const {
        return isSuccess() ? std::get<QList<SupplierOffer>>(m_value) : QList<SupplierOffer>{};
    }
    // Empty for a success.
    QString failureText() const { return isSuccess() ? QString() : std::get<QString>(m_value); }

private:
    explicit SupplierSearchResult(QList<SupplierOffer> offers)
        : m_value(std::move(offers)) {}
    explicit SupplierSearchResult(QString text)
        : m_value(std::move(text)) {}

    std::variant<QList<SupplierOffer>, QString> m_value;
};
