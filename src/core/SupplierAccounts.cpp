#include "SupplierAccounts.h"

#include "SupplierDescriptor.h"
#include "UserDefaults.h"

#include <QSet>

SupplierAccounts::SupplierAccounts(UserDefaults& defaults, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_accounts(stored()) {
    connect(&m_defaults.notifier(), &UserDefaultsNotifier::changedElsewhere, this, &SupplierAccounts::reload);
}

QList<SupplierAccount> SupplierAccounts::stored() const {
    const auto data = m_defaults.dataValue(UserDefaultsKeys::supplierAccounts);
    return data ? SupplierAccount::decodeList(*data).value_or(QList<SupplierAccount>()) : QList<SupplierAccount>();
}

void SupplierAccounts::reload() {
    QList<SupplierAccount> now = stored();
    if (now == m_accounts)
        return;
    m_accounts = std::move(now);
    Q_EMIT changed();
}

QList<SupplierAccount> SupplierAccounts::enabled() const {
    QList<SupplierAccount> list;
    for (const SupplierAccount& account : m_accounts) {
        if (account.enabled)
            list.append(account);
    }
    return list;
}

std::optional<SupplierAccount> SupplierAccounts::find(QStringView id) const {
    for (const SupplierAccount& account : m_accounts) {
        if (account.id == id)
            return account;
    }
    return std::nullopt;
}

bool SupplierAccounts::change(const std::function<bool(QList<SupplierAccount>&)>& edit) {
    QList<SupplierAccount> accounts;
    bool changed = false;
    const bool saved = m_defaults.transaction([&] {
        const QString key = UserDefaultsKeys::supplierAccounts;
        const auto data = m_defaults.dataValue(key);
        const auto decoded = data ? SupplierAccount::decodeList(*data) : std::nullopt;
        // A list that cannot be read is kept as it stands before anything replaces it.
        if (m_defaults.contains(key) && !decoded)
            m_defaults.keepAside(key);
        accounts = decoded.value_or(QList<SupplierAccount>());
        changed = edit(accounts);
        if (changed)
            m_defaults.setData(key, SupplierAccount::encodeList(accounts));
    });
    reload();
    return saved && changed;
}

SupplierAccounts::Added SupplierAccounts::add(SupplierAccount draft, bool numberIfTaken) {
    Added added;
    if (!SupplierAccount::isUsableID(draft.id) || SupplierDescriptors::find(draft.id)) {
        added.error = QStringLiteral("Не удалось составить идентификатор поставщика из «%1».").arg(draft.id);
        return added;
    }
    const bool saved = change([&](QList<SupplierAccount>& accounts) {
        QSet<QString> ids;
        QSet<int> colors;
        for (const SupplierAccount& account : accounts) {
            ids.insert(account.id);
            colors.insert(account.color);
        }
        const QString base = draft.id;
        for (int n = 2; ids.contains(draft.id); ++n) {
            if (!numberIfTaken) {
                const auto taken = std::find_if(accounts.begin(), accounts.end(),
                                                [&](const SupplierAccount& a) { return a.id == base; });
                added.error = QStringLiteral("Этот поставщик уже добавлен: %1 (%2).").arg(taken->name, base);
                return false;
            }
            draft.id = base + u'-' + QString::number(n);
        }
        // The first free colour; with every one taken, round the palette again.
        draft.color = static_cast<int>(accounts.size() % SupplierAppearance::accountPaletteSize);
        for (int c = 0; c < SupplierAppearance::accountPaletteSize; ++c) {
            if (!colors.contains(c)) {
                draft.color = c;
                break;
            }
        }
        accounts.append(draft);
        return true;
    });
    if (saved)
        added.account = draft;
    else if (added.error.isEmpty())
        added.error = notSavedText();
    return added;
}

bool SupplierAccounts::update(const SupplierAccount& account) {
    return change([&](QList<SupplierAccount>& accounts) {
        for (SupplierAccount& stored : accounts) {
            if (stored.id != account.id)
                continue;
            SupplierAccount edited = account;
            // Who it is and where it stands in the palette stay.
            edited.platform = stored.platform;
            edited.color = stored.color;
            if (edited == stored)
                return false;
            stored = edited;
            return true;
        }
        return false;
    });
}

bool SupplierAccounts::setEnabled(QStringView id, bool enabled) {
    auto account = find(id);
    if (!account)
        return false;
    account->enabled = enabled;
    update(*account);
    return true;
}

bool SupplierAccounts::remove(QStringView id) {
    return change([&id](QList<SupplierAccount>& accounts) {
        return accounts.removeIf([&id](const SupplierAccount& account) { return account.id == id; }) > 0;
    });
}

SupplierColor SupplierAccounts::color(QStringView supplierID) const {
    if (const auto account = find(supplierID))
        return SupplierAppearance::accountColor(account->color);
    return SupplierAppearance::color(supplierID);
}

QString SupplierAccounts::notSavedText() const {
    return QStringLiteral("Не удалось сохранить настройки: файл %1 недоступен для записи или занят.")
        .arg(m_defaults.fileName());
}
