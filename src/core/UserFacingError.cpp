#include "UserFacingError.h"

const char* UserFacingError::what() const noexcept {
    try {
        m_what = description().toUtf8();
        return m_what.constData();
    } catch (...) {
        return "UserFacingError";
    }
}
