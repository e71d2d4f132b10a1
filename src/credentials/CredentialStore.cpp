#include "CredentialStore.h"

QString KeychainError::description() const {
    if (!m_message.isEmpty())
        return m_message;
    return QStringLiteral("Keychain error: %1").arg(m_code);
}
