#include "unzip/zip_archive.h"

#include "common/error.h"
#include "common/path.h"
#include "unzip/target_folder.h"
#include "unzip/unzip_library.h"

#include <QFile>
#include <QScopeGuard>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zip.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

QString libzipText(int zipCode, int systemCode)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_error_set(&error, zipCode, systemCode);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

int numberFor(int zipCode, int systemCode)
{
    switch (zipCode) {
    case ZIP_ER_NOENT:
        return err::FileNotFound;
    case ZIP_ER_MEMORY:
        return err::OutOfMemory;
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
    case ZIP_ER_TELL:
        return systemCode == EACCES || systemCode == EPERM ? err::PermissionDenied
                                                           : err::PathFileAccess;
    default:
        return kInvalidFileFormat;
    }
}

struct EntryFile {
    zip_file_t* file;
    ~EntryFile()
    {
        if (file)
            zip_fclose(file);
    }
};

} // namespace

ZipArchive::ZipArchive(const QString& path) : path_(path)
{
    // The file is opened once: the archive reads through this descriptor, and
    // so does copyTo.
    const QByteArray name = Path(path).native();
    // Not blocking: a FIFO in the book's place is refused below, not waited for.
    fd_ = path.isEmpty() ? -1
                         : ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    // A constructor that raises has no destructor to close it.
    auto closeOnFailure = qScopeGuard([this] {
        if (fd_ >= 0)
            ::close(fd_);
    });
    if (fd_ < 0) {
        if (path.isEmpty() || errno == ENOENT || errno == ENOTDIR)
            raise(err::FileNotFound, u"The zip archive \""_s + path + u"\" does not exist."_s);
        raiseSystemError(u"Cannot read the zip archive"_s, path, errno);
    }
    struct stat st {
    };
    if (::fstat(fd_, &st) != 0)
        raiseSystemError(u"Cannot read the zip archive"_s, path, errno);
    if (S_ISDIR(st.st_mode))
        raise(err::PathFileAccess, u"\""_s + path + u"\" is a folder, not a zip archive."_s);
    if (!S_ISREG(st.st_mode))
        raise(err::PathFileAccess, u"\""_s + path + u"\" is no file, not a zip archive."_s);
    // libzip takes an empty file for an empty archive; it is a damaged one.
    if (st.st_size == 0)
        raise(kInvalidFileFormat, u"The zip archive \""_s + path + u"\" is empty."_s);

    zip_error_t error;
    zip_error_init(&error);
    // libzip owns the stream it reads and closes it; fd_ stays for copyTo.
    const int readFd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    FILE* stream = readFd < 0 ? nullptr : ::fdopen(readFd, "rb");
    if (!stream && readFd >= 0)
        ::close(readFd);
    zip_source_t* source = stream ? zip_source_filep_create(stream, 0, -1, &error) : nullptr;
    if (!source && stream)
        std::fclose(stream);
    if (source)
        archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!archive_) {
        if (source)
            zip_source_free(source);
        const int zipCode = stream ? zip_error_code_zip(&error) : ZIP_ER_OPEN;
        const int systemCode = stream ? zip_error_code_system(&error) : errno;
        zip_error_fini(&error);
        if (zipCode == ZIP_ER_NOZIP || zipCode == ZIP_ER_INCONS || zipCode == ZIP_ER_EOF)
            raise(kInvalidFileFormat, u"The zip archive \""_s + path +
                                          u"\" is damaged or is not a zip archive ("_s +
                                          libzipText(zipCode, systemCode) + u")."_s);
        raise(numberFor(zipCode, systemCode), u"Cannot read the zip archive \""_s + path +
                                                  u"\": "_s + libzipText(zipCode, systemCode));
    }
    zip_error_fini(&error);
    closeOnFailure.dismiss();
}

ZipArchive::~ZipArchive()
{
    if (archive_)
        zip_discard(archive_);
    if (fd_ >= 0)
        ::close(fd_);
}

Expected<void> ZipArchive::copyTo(const QString& target) const
{
    const QByteArray name = Path(target).native();
    const int out = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0)
        return SystemProblem(u"Cannot create"_s, target, errno);
    std::vector<char> buffer(1 << 20);
    off_t offset = 0;
    int error = 0;
    for (;;) {
        const ssize_t n = ::pread(fd_, buffer.data(), buffer.size(), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : 0;
            break;
        }
        offset += n;
        for (ssize_t done = 0; done < n && error == 0;) {
            const ssize_t w = ::write(out, buffer.data() + done, size_t(n - done));
            if (w < 0 && errno != EINTR)
                error = errno;
            done += w > 0 ? w : 0;
        }
        if (error != 0)
            break;
    }
    if (::close(out) != 0 && error == 0)
        error = errno;
    if (error == 0)
        return {};
    ::unlink(name.constData());
    return SystemProblem(u"Cannot copy the book to"_s, target, error);
}

quint64 ZipArchive::count() const
{
    const zip_int64_t n = zip_get_num_entries(archive_, 0);
    return n < 0 ? 0 : quint64(n);
}

EntryInfo ZipArchive::info(quint64 index) const
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive_, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME)) {
        const zip_error_t* error = zip_get_error(archive_);
        raiseEntryError(u"#"_s + QString::number(index + 1), zip_error_code_zip(error),
                        zip_error_code_system(error));
    }
    EntryInfo entry;
    entry.path = QString::fromUtf8(st.name);
    if (st.valid & ZIP_STAT_SIZE)
        entry.size = st.size;
    if (st.valid & ZIP_STAT_COMP_SIZE)
        entry.packedSize = st.comp_size;
    if (st.valid & ZIP_STAT_MTIME)
        entry.mtime = st.mtime;
    if (st.valid & ZIP_STAT_CRC)
        entry.crc = st.crc;
    if (st.valid & ZIP_STAT_COMP_METHOD)
        entry.method = st.comp_method;
    entry.encrypted =
        (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
    entry.decryptable =
        !entry.encrypted || zip_encryption_method_supported(st.encryption_method, 0) != 0;

    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive_, index, 0, &system, &attributes) == 0) {
        const mode_t unixMode = attributes >> 16;
        if (system == ZIP_OPSYS_UNIX && (unixMode & 0777) != 0) {
            entry.link = (unixMode & S_IFMT) == S_IFLNK;
            entry.mode = unixMode & 0777; // never set-user-id and the like
        } else if (attributes & 0x01) {
            entry.mode = 0444; // the DOS read-only attribute
        }
    }
    return entry;
}

bool ZipArchive::read(quint64 index, const QByteArray& password, const Sink& sink) const
{
    const EntryInfo about = info(index);
    const QString& entry = about.path;
    // Opening such an entry fails anyway, and libzip 1.7 leaks what it set up for it.
    if (!about.decryptable)
        raiseEntryError(entry, ZIP_ER_ENCRNOTSUPP, 0);
    EntryFile file{password.isNull()
                       ? zip_fopen_index(archive_, index, 0)
                       : zip_fopen_index_encrypted(archive_, index, 0, password.constData())};
    if (!file.file) {
        const zip_error_t* error = zip_get_error(archive_);
        const int zipCode = zip_error_code_zip(error);
        if (zipCode == ZIP_ER_WRONGPASSWD || zipCode == ZIP_ER_NOPASSWD)
            return false;
        raiseEntryError(entry, zipCode, zip_error_code_system(error));
    }
    auto buffer = std::make_unique<char[]>(64 * 1024);
    for (;;) {
        const zip_int64_t n = zip_fread(file.file, buffer.get(), 64 * 1024);
        if (n == 0)
            return true;
        if (n < 0) {
            if (!password.isNull())
                return false;
            const zip_error_t* error = zip_file_get_error(file.file);
            raiseEntryError(entry, zip_error_code_zip(error), zip_error_code_system(error));
        }
        sink(buffer.get(), n);
    }
}

void ZipArchive::raiseEntryError(const QString& entry, int zipCode, int systemCode) const
{
    raise(numberFor(zipCode, systemCode),
          u"The entry \""_s + entry + u"\" of the zip archive \""_s + path_ +
              u"\" cannot be read: "_s + libzipText(zipCode, systemCode));
}

QString compressionMethodName(int method)
{
    switch (method) {
    case ZIP_CM_STORE:
        return u"Stored"_s;
    case ZIP_CM_SHRINK:
        return u"Shrunk"_s;
    case ZIP_CM_REDUCE_1:
    case ZIP_CM_REDUCE_2:
    case ZIP_CM_REDUCE_3:
    case ZIP_CM_REDUCE_4:
        return u"Reduced"_s;
    case ZIP_CM_IMPLODE:
        return u"Imploded"_s;
    case ZIP_CM_DEFLATE:
        return u"Deflated"_s;
    case ZIP_CM_DEFLATE64:
        return u"Deflate64"_s;
    case ZIP_CM_BZIP2:
        return u"BZip2"_s;
    case ZIP_CM_LZMA:
    case ZIP_CM_LZMA2:
        return u"LZMA"_s;
    case ZIP_CM_XZ:
        return u"XZ"_s;
    case ZIP_CM_PPMD:
        return u"PPMd"_s;
    default:
        return u"Method "_s + QString::number(method);
    }
}

} // namespace vt
