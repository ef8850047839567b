#include "common/command.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace vt
{

QString Command::shown() const
{
    static const QRegularExpression option(u"^-[A-Za-z]+$"_s);
    QString line = u'"' + program + u'"';
    for (const QString& argument : arguments) {
        line += u' ';
        line += option.match(argument).hasMatch() ? argument : u'"' + argument + u'"';
    }
    return line;
}

} // namespace vt
