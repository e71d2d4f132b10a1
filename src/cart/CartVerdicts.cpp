#include "CartVerdicts.h"

#include "CartStore.h"
#include "core/TextUtils.h"
#include "core/UserFacingError.h"

#include <QPointer>

namespace Status = CartFreshnessStatus;

CartVerdicts::CartVerdicts(CartStore& cart, CheckFunction check, QObject* parent)
    : QObject(parent)
    , m_cart(cart)
    , m_check(std::move(check)) {}

bool CartVerdicts::sameTerms(const CartItem& a, const CartItem& b) {
    return a.id == b.id && a.unitPrice == b.unitPrice && a.availableQuantity == b.availableQuantity &&
           a.deliveryTime == b.deliveryTime && a.warehouse == b.warehouse;
}

std::optional<CartVerdicts::Verdict> CartVerdicts::verdict(const CartItem& line) const {
    const auto it = m_verdicts.constFind(line.id);
    if (it == m_verdicts.cend() || !sameTerms(it->line, line))
        return std::nullopt;
    return *it;
}

bool CartVerdicts::isUnavailable(const QString& status) {
    return status == Status::unavailable || status == Status::offerUnavailable;
}

bool CartVerdicts::isChanged(const QString& status) {
    return status == Status::changed || status == Status::termsChanged;
}

QList<CartItem> CartVerdicts::unavailableLines(const QString& supplierID) const {
    QList<CartItem> lines;
    for (const CartItem& item : m_cart.items()) {
        const auto v = verdict(item);
        if (item.supplierID == supplierID && v && isUnavailable(v->freshness.status))
            lines.append(item);
    }
    return lines;
}

QList<CartItem> CartVerdicts::changedLines(const QString& supplierID) const {
    QList<CartItem> lines;
    for (const CartItem& item : m_cart.items()) {
        const auto v = verdict(item);
        if (item.supplierID == supplierID && v && isChanged(v->freshness.status) && v->freshness.fresh)
            lines.append(item);
    }
    return lines;
}

void CartVerdicts::check(const QString& supplierID) {
    if (m_checking)
        return;
    const auto groups = m_cart.groups();
    const auto group = std::find_if(groups.begin(), groups.end(),
                                    [&](const SupplierCartGroup& g) { return g.supplierID == supplierID; });
    if (group == groups.end())
        return;
    m_checking = supplierID;
    m_failures.remove(supplierID);
    for (const CartItem& item : group->items)
        m_verdicts.remove(item.id);
    Q_EMIT changed();
    run(*group);
}

QCoro::Task<> CartVerdicts::run(SupplierCartGroup group) {
    QPointer<CartVerdicts> self(this);
    PFCartFreshnessMap verdicts;
    QString failure;
    try {
        auto task = m_check(group);
        verdicts = co_await std::move(task);
    } catch (const UserFacingError& error) {
        failure = QStringLiteral("Не удалось проверить актуальность: ") + TextUtils::singleLine(error.description());
    }
    if (!self)
        co_return;
    const QDateTime now = QDateTime::currentDateTime();
    if (failure.isNull()) {
        // A verdict belongs to the line as it was checked: one removed during the check gets
        // none; one changed meanwhile shows none, since its terms are no longer those checked.
        for (const CartItem& checked : group.items) {
            if (verdicts.contains(checked.id))
                m_verdicts.insert(checked.id, Verdict{verdicts.value(checked.id), now, checked});
        }
    } else {
        m_failures.insert(group.supplierID, failure);
    }
    m_checking.reset();
    Q_EMIT changed();
}

bool CartVerdicts::acceptNewTerms(const QString& lineID) {
    const auto it = m_verdicts.find(lineID);
    if (it == m_verdicts.end() || !it->freshness.fresh)
        return false;
    const CartFreshTerms terms = *it->freshness.fresh;
    if (!m_cart.acceptTerms(lineID, terms) && !m_cart.lastChangeSaved())
        return false;
    for (const CartItem& line : m_cart.items()) {
        if (line.id != lineID)
            continue;
        // The line now holds what the supplier said when it was checked.
        it->line = line;
        it->freshness = {Status::current, {QStringLiteral("Новые условия приняты.")}, terms};
    }
    Q_EMIT changed();
    return true;
}
