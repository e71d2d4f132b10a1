#pragma once

#include <QString>
#include <QUrl>

// A service address as the buyer types it into a supplier's sheet, checked before it is saved.
struct ServiceAddressCheck {
    // Trimmed, with a path that ends in "/"; empty when the text is refused.
    QUrl url;
    // Why the text is refused; empty when it is usable.
    QString error;
    // Plain http to another computer: logins, passwords and keys would travel readable.
    bool unencrypted = false;
};

namespace ServiceAddress {

// http(s), a host, and no user info, query or fragment.
bool isUsable(const QUrl& url);
// A usable address that is plain http to anything but this computer.
bool travelsUnencrypted(const QUrl& url);
ServiceAddressCheck check(const QString& text);
// Shown while such an address is about to be saved or is in use.
QString unencryptedWarning();

} // namespace ServiceAddress
