#include "CredentialStore.h"

#include "core/TextUtils.h"

QString KeychainError::description() const {
    if (!m_message.isEmpty())
        return TextUtils::singleLine(m_message);
    return QStringLiteral("Keychain error: %1").arg(m_code);
}
