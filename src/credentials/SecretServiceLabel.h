#pragma once

#include <QCoroTask>
#include <QString>

// The label the desktop's password manager (Seahorse, KeePassXC) shows for an item: QtKeychain
// labels every item with the service name alone ("ru.orelia.Orelia"); a person needs to see
// what the secret is ("Orelia: AutoEuro API-key").
namespace SecretServiceLabel {

// "Orelia: Autopiter пароль" for a supplier's account, "Orelia: <account>" for others.
QString of(const QString& account);
// Labels the Secret Service items of the account anew, finding them by QtKeychain's own
// attributes, which stay as they are so that reading finds the items as before. Best effort:
// without a Secret Service (KWallet, another system) nothing changes.
QCoro::Task<> apply(QString service, QString account);

} // namespace SecretServiceLabel
