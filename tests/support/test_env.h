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

// Writes a file (folders made as needed).
void writeFile(const QString& path, const QByteArray& content);
QByteArray readFile(const QString& path);
// Names of the entries of a folder, sorted.
QStringList entries(const QString& folder);
// The folder of the test books that travel with the project.
QString testBook(const QString& name);

} // namespace vt::test
