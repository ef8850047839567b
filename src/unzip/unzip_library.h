#pragma once

#include "unzip/archive_entry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vt
{

// The settings of one library call. Boolean options hold 1 or 0 (any
// non-zero value counts as set).
struct UnzipOptions {
    qint32 extractOnlyNewer = 0;
    qint32 spaceToUnderScore = 0;
    qint32 promptToOverwrite = 0;
    qint32 messageLevel = 0;
    qint32 testZip = 0;
    qint32 listOnly = 0;
    qint32 useFolderNames = 0;
    qint32 overwriteExisting = 0;
    // Accepted and ignored: files are written byte for byte, as Linux text
    // files end their lines with a line feed alone.
    qint32 convertCRToCRLF = 0;
    qint32 caseSensitiveFileNames = 0;
    QString archive;
    QString targetFolder; // empty: the current folder
};

// Answers to "replace this existing file?". Keep is what an unanswered
// question gets.
inline constexpr qint32 kOverwriteKeep = 100;
inline constexpr qint32 kOverwriteReplace = 101;
inline constexpr qint32 kOverwriteReplaceAll = 102; // and every later file of the call
inline constexpr qint32 kOverwriteKeepAll = 103;    // and every later file of the call

// Values of the message level: what print reports.
inline constexpr qint32 kMessagesAll = 0;      // every entry, and every warning
inline constexpr qint32 kMessagesWarnings = 1; // (or any other value) warnings only

// Error number for an archive or an entry that is damaged or not a zip.
inline constexpr int kInvalidFileFormat = 321;

// How the library reports back during a call, always on the calling thread.
class UnzipCallbacks
{
  public:
    virtual ~UnzipCallbacks() = default;
    // A line of text about the work.
    virtual void print(const QString& text) = 0;
    // Asks whether the existing file at path may be replaced.
    virtual qint32 replace(const QString& path) = 0;
    // True with a password for an encrypted entry; false when none is given,
    // after which the call asks no more.
    virtual bool password(QByteArray& password) = 0;
    // One entry of a listing: its whole path in the archive, and its values
    // (name and folder left empty).
    virtual void listing(const QString& path, const ArchiveEntry& values) = 0;
    // Told of each entry before it is handled; true stops the call there.
    virtual bool service(const QString& name) = 0;
};

// The one library call: lists the archive (options.listOnly) or unpacks its
// entries named in include (every entry when include is empty) and not in
// exclude. Returns 0 when everything went as asked, 1 when entries were
// skipped (unsafe paths, links, missing passwords) or the call was
// cancelled. Raises every error with the source "Vellumtone.VBUnzip": a
// missing or damaged archive at once; entries that cannot be read or
// written after the other entries were done. More than 1023 include or
// exclude names are the subscript-out-of-range error.
qint32 VBUnzip(UnzipCallbacks& object, const UnzipOptions& options, const QStringList& include,
               const QStringList& exclude);

struct UnzipVersion {
    qint32 major = 0;
    qint32 minor = 0;
    qint32 revision = 0;
    QString text; // the library's version text
};

// The version of the zip library in use.
UnzipVersion UzpVersion2();

} // namespace vt
