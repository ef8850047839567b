#include "test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vt::test
{

TempWorkingFolder::TempWorkingFolder()
    : saved_(qgetenv("TEMP")), had_(qEnvironmentVariableIsSet("TEMP"))
{
    qputenv("TEMP", QFile::encodeName(dir_.path()));
}

TempWorkingFolder::~TempWorkingFolder()
{
    if (had_)
        qputenv("TEMP", saved_);
    else
        qunsetenv("TEMP");
    // Leave nothing read-only behind that would stop the folder's removal.
    QDir(dir_.path()).removeRecursively();
}

TmpfsMount::TmpfsMount(unsigned long flags, const QString& at)
    : at_(at.isEmpty() ? dir_.path() : at)
{
    if (::geteuid() != 0) {
        why_ = u"mounting a tmpfs needs root"_s;
        return;
    }
    mounted_ = ::mount("tmpfs", QFile::encodeName(at_).constData(), "tmpfs", flags,
                       "size=256m,mode=0700") == 0;
    if (!mounted_)
        why_ = u"cannot mount a tmpfs here: "_s + QString::fromUtf8(std::strerror(errno));
}

TmpfsMount::~TmpfsMount()
{
    if (mounted_)
        ::umount2(QFile::encodeName(at_).constData(), MNT_DETACH);
}

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(content);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int threadsOfThisProcess()
{
    int count = 0;
    for (int i = 0; i < 20; ++i, QThread::msleep(10))
        count = int(QDir(u"/proc/self/task"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
    return count;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QString testBook(const QString& name)
{
    return QStringLiteral(VT_TEST_BOOKS) + u'/' + name;
}

} // namespace vt::test
