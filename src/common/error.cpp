#include "error.h"

namespace vt {

Error::Error(int number, const QString& description, const QString& source)
    : std::runtime_error(description.toStdString()), number_(number), description_(description),
      source_(source)
{
}

void raise(int number, const QString& description, const QString& source)
{
    throw Error(number, description, source);
}

} // namespace vt
