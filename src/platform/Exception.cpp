#include "Exception.h"

namespace flk {

Exception::Exception(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}

} // namespace flk
