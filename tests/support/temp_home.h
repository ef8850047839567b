#pragma once

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace vt::test
{

// Every test program keeps its home and settings in a temporary folder,
// never the user's real ones.
inline void UseTemporaryHome(const QTemporaryDir& home)
{
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       home.path() + QStringLiteral("/.config"));
}

} // namespace vt::test
