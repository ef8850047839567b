#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace vt::test
{

// A temporary folder set as TEMP (the working folder) for one test, with the
// earlier value put back afterwards.
class TempWorkingFolder
{
  public:
    TempWorkingFolder();
    ~TempWorkingFolder();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.path() + u'/' + name; }

  private:
    QTemporaryDir dir_;
    QByteArray saved_;
    bool had_ = false;
};

// A tmpfs mounted for one test on a temporary folder (or on the folder
// `at`), with mount flags such as MS_NOEXEC; unmounted at the end. Needs
// root: skip() says why when it could not be mounted.
class TmpfsMount
{
  public:
    explicit TmpfsMount(unsigned long flags = 0, const QString& at = {});
    ~TmpfsMount();
    bool mounted() const { return mounted_; }
    QString skip() const { return why_; }
    QString path() const { return at_; }

  private:
    QTemporaryDir dir_;
    QString at_;
    bool mounted_ = false;
    QString why_;
};

// Writes a file (folders made as needed).
void writeFile(const QString& path, const QByteArray& content);
QByteArray readFile(const QString& path);
// The threads of this process, once those just ended have left (a joined
// thread may stay listed a moment).
int threadsOfThisProcess();

// Names of the entries of a folder, sorted.
QStringList entries(const QString& folder);
// The folder of the test books that travel with the project.
QString testBook(const QString& name);

} // namespace vt::test
