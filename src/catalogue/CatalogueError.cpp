#include "CatalogueError.h"

namespace flk {

ECatalogueError::ECatalogueError(const QString& message) : std::runtime_error(message.toStdString()) {}

QString ECatalogueError::message() const
{
    return QString::fromStdString(what());
}

EConvertError::EConvertError(const QString& message) : std::runtime_error(message.toStdString()) {}

QString EConvertError::message() const
{
    return QString::fromStdString(what());
}

} // namespace flk
