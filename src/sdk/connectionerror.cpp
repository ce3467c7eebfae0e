#include "sdk/connectionerror.h"

namespace kelp {

namespace {
// Queued signals carry the error by value, so the type must be known by name
// before the first one is sent.
[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<ConnectionError>("kelp::ConnectionError");
} // namespace

ConnectionError::ConnectionError(int code, const QString& text) : m_code(code), m_text(text)
{
}

void ConnectionError::reset()
{
    m_code = 0;
    m_text.clear();
}

} // namespace kelp
