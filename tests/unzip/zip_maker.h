#pragma once

#include "common/error.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <ctime>
#include <optional>

struct zip;

namespace vt::test
{

// Options of one entry written by ZipMaker.
struct EntrySpec {
    EntrySpec(bool storedEntry = false, quint32 unixMode = 0100644, QByteArray key = {})
        : stored(storedEntry), mode(unixMode), password(std::move(key))
    {
    }
    bool stored;         // else deflated
    quint32 mode;        // Unix mode, type bits included
    QByteArray password; // encrypts the entry when set
    QDateTime date = QDateTime(QDate(2021, 8, 31), QTime(14, 35, 20));
};

// Writes a real zip archive with libzip, entry by entry.
class ZipMaker
{
  public:
    explicit ZipMaker(const QString& path);
    ~ZipMaker();
    ZipMaker& file(const QString& name, const QByteArray& data, const EntrySpec& spec = {});
    ZipMaker& folder(const QString& name); // name ends with "/"
    ZipMaker& link(const QString& name, const QByteArray& target);
    void close();

  private:
    zip* archive_ = nullptr;
};

// An archive of ordinary entries: stored and deflated files, nested
// folders, an empty folder, a read-only and an executable file.
void makeCleanArchive(const QString& path);

// The CRC-32 that zip archives use.
quint32 crc32(const QByteArray& data);

// The error the call raises, if any.
template <class F> std::optional<Error> errorOf(F&& call)
{
    try {
        call();
    } catch (const Error& e) {
        return e;
    }
    return std::nullopt;
}

} // namespace vt::test
