#include "zip_maker.h"

#include <QFile>
#include <gtest/gtest.h>
#include <zip.h>

namespace vt::test
{

ZipMaker::ZipMaker(const QString& path)
{
    int error = 0;
    archive_ = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(archive_, nullptr) << "zip_open error " << error;
}

ZipMaker::~ZipMaker()
{
    if (archive_)
        zip_discard(archive_);
}

ZipMaker& ZipMaker::file(const QString& name, const QByteArray& data, const EntrySpec& spec)
{
    // libzip keeps the source until the archive is closed: it needs its own copy.
    void* copy = ::malloc(size_t(qMax<qsizetype>(data.size(), 1)));
    ::memcpy(copy, data.constData(), size_t(data.size()));
    zip_source_t* source = zip_source_buffer(archive_, copy, zip_uint64_t(data.size()), 1);
    const zip_int64_t index =
        zip_file_add(archive_, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    EXPECT_GE(index, 0) << zip_strerror(archive_);
    const auto i = zip_uint64_t(index);
    zip_set_file_compression(archive_, i, spec.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    zip_file_set_external_attributes(archive_, i, 0, ZIP_OPSYS_UNIX, spec.mode << 16);
    // This libzip derives the password check of an encrypted entry from its
    // original time: a changed time makes every password wrong.
    if (spec.password.isEmpty())
        zip_file_set_mtime(archive_, i, time_t(spec.date.toSecsSinceEpoch()), 0);
    else {
        EXPECT_EQ(
            zip_file_set_encryption(archive_, i, ZIP_EM_TRAD_PKWARE, spec.password.constData()), 0);
    }
    return *this;
}

ZipMaker& ZipMaker::folder(const QString& name)
{
    EXPECT_GE(zip_dir_add(archive_, name.toUtf8().constData(), ZIP_FL_ENC_UTF_8), 0);
    return *this;
}

ZipMaker& ZipMaker::link(const QString& name, const QByteArray& target)
{
    return file(name, target, EntrySpec{true, 0120777});
}

void ZipMaker::close()
{
    ASSERT_EQ(zip_close(archive_), 0) << zip_strerror(archive_);
    archive_ = nullptr;
}

void makeCleanArchive(const QString& path)
{
    ZipMaker zip(path);
    zip.file(QStringLiteral("readme.txt"), QByteArray("Read me. ").repeated(200))
        .file(QStringLiteral("stored.bin"), QByteArray("\x00\x01\x02stored", 9), {true})
        .folder(QStringLiteral("docs/"))
        .file(QStringLiteral("docs/c.txt"), "c")
        .file(QStringLiteral("docs/a/b.txt"), "nested b")
        .folder(QStringLiteral("empty/"))
        .file(QStringLiteral("readonly.txt"), "do not touch", {false, 0100444})
        .file(QStringLiteral("bin/run.sh"), "#!/bin/sh\necho run\n", {false, 0100755});
    zip.close();
}

quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

} // namespace vt::test
