#pragma once

#include "common/expected.h"

#include <QByteArray>
#include <QString>
#include <ctime>
#include <functional>
#include <sys/types.h>

struct zip;
struct zip_file;

namespace vt
{

// What the archive says about one entry.
struct EntryInfo {
    QString path; // as stored, "/" between folders; a folder entry ends with "/"
    quint64 size = 0;
    quint64 packedSize = 0;
    time_t mtime = 0;
    quint32 crc = 0;
    int method = 0;
    bool encrypted = false;
    bool decryptable = true; // the zip library knows the encryption method
    bool link = false;       // a symbolic link made on a Unix system
    mode_t mode = 0644;      // permission bits to give the unpacked file
};

// A zip archive open for reading (libzip underneath). Every failure is
// raised as an error with a number and a readable description.
class ZipArchive
{
  public:
    // Raises when the archive is missing, unreadable, empty or damaged.
    explicit ZipArchive(const QString& path);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    const QString& path() const { return path_; }
    // Writes the archive's file, byte for byte, to a new file (mode 0600);
    // the archive is not opened again for it. A failure leaves no file.
    Expected<void> copyTo(const QString& target) const;
    quint64 count() const;
    EntryInfo info(quint64 index) const;

    using Sink = std::function<void(const char* data, qint64 size)>;
    // Reads the whole entry into sink; the data's checksum is verified.
    // password is used for encrypted entries. Returns false when the
    // password is refused or the data it gives is not right (a wrong
    // password can pass the archive's short check); raises when the entry
    // cannot be read.
    bool read(quint64 index, const QByteArray& password, const Sink& sink) const;

  private:
    [[noreturn]] void raiseEntryError(const QString& entry, int zipCode, int systemCode) const;

    QString path_;
    int fd_ = -1;
    zip* archive_ = nullptr;
};

// The readable name of a compression method.
QString compressionMethodName(int method);

} // namespace vt
