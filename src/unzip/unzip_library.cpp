#include "unzip/unzip_library.h"

#include "common/error.h"
#include "common/path.h"
#include "unzip/target_folder.h"
#include "unzip/zip_archive.h"

#include <QSet>
#include <cmath>
#include <limits>
#include <optional>
#include <zip.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

constexpr qsizetype kMaxNames = 1023;
constexpr int kPasswordTries = 3;

QDateTime toTheMinute(time_t mtime)
{
    QDateTime date = QDateTime::fromSecsSinceEpoch(mtime);
    date.setTime(QTime(date.time().hour(), date.time().minute(), 0));
    return date;
}

void list(UnzipCallbacks& object, const ZipArchive& archive)
{
    const quint64 n = archive.count();
    for (quint64 i = 0; i < n; ++i) {
        const EntryInfo info = archive.info(i);
        ArchiveEntry values;
        values.size = qint32(qMin<quint64>(info.size, std::numeric_limits<qint32>::max()));
        if (info.size > 0)
            values.ratio = qint32(
                qMin(std::round(double(info.packedSize) * 100.0 / double(info.size)), 32767.0));
        values.method = compressionMethodName(info.method);
        values.date = toTheMinute(info.mtime);
        values.crc = info.crc;
        values.encrypted = info.encrypted;
        object.listing(info.path, values);
    }
}

// One unpacking (or testing) call over an open archive.
class Extraction
{
  public:
    Extraction(UnzipCallbacks& object, const UnzipOptions& options, const ZipArchive& archive)
        : object_(object), options_(options), archive_(archive)
    {
    }

    qint32 run(const QStringList& include, const QStringList& exclude);

  private:
    enum class Read { Done, NoPassword, WrongPassword };

    QString key(const QString& path) const
    {
        return options_.caseSensitiveFileNames ? path : path.toCaseFolded();
    }
    void entry(quint64 index);
    void folder(const QStringList& parts, const QString& path);
    void file(quint64 index, const EntryInfo& info, QStringList parts);
    void test(quint64 index, const EntryInfo& info);
    bool mayReplace(const QString& shown, const EntryInfo& info, const Existing& existing);
    Read read(quint64 index, const EntryInfo& info, const ZipArchive::Sink& sink,
              const std::function<void()>& restart);
    void note(const QString& text);
    void warn(const QString& text);
    void skippedForPassword(Read outcome, const QString& path);

    UnzipCallbacks& object_;
    const UnzipOptions& options_;
    const ZipArchive& archive_;
    std::optional<TargetFolder> target_;
    qint32 status_ = 0;
    bool passwordCancelled_ = false;
    QByteArray password_; // the last one that worked, tried first
    bool replaceAll_ = false;
    bool keepAll_ = false;
    std::optional<Error> firstError_;
    int failures_ = 0;
};

qint32 Extraction::run(const QStringList& include, const QStringList& exclude)
{
    QSet<QString> included;
    QSet<QString> excluded;
    for (const QString& name : include)
        included.insert(key(name));
    for (const QString& name : exclude)
        excluded.insert(key(name));
    if (!options_.testZip)
        target_.emplace(options_.targetFolder);

    const quint64 n = archive_.count();
    for (quint64 i = 0; i < n; ++i) {
        try {
            const QString path = archive_.info(i).path;
            if ((!included.isEmpty() && !included.contains(key(path))) ||
                excluded.contains(key(path)))
                continue;
            if (object_.service(path)) {
                warn(u"Stopped before "_s + path + u": cancelled."_s);
                break;
            }
            entry(i);
        } catch (const Error& e) {
            if (!firstError_)
                firstError_ = e;
            ++failures_;
        }
    }
    if (firstError_) {
        QString description = firstError_->description();
        if (failures_ > 1)
            description += u" ("_s + QString::number(failures_ - 1) +
                           u" further entries could not be unpacked either.)"_s;
        raise(firstError_->number(), description);
    }
    return status_;
}

void Extraction::entry(quint64 index)
{
    const EntryInfo info = archive_.info(index);
    const QString& path = info.path;
    if (path.startsWith(u'/')) {
        warn(u"Skipped "_s + path + u": its path is absolute."_s);
        return;
    }
    QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    parts.removeAll(u"."_s);
    if (parts.contains(u".."_s)) {
        warn(u"Skipped "_s + path + u": its path leads out of the target folder."_s);
        return;
    }
    if (parts.isEmpty())
        return;
    if (info.link) {
        warn(u"Skipped "_s + path + u": it is a symbolic link, and links are not unpacked."_s);
        return;
    }
    if (path.endsWith(u'/')) {
        if (options_.useFolderNames && !options_.testZip)
            folder(parts, path);
        return;
    }
    if (options_.testZip)
        test(index, info);
    else
        file(index, info, parts);
}

void Extraction::folder(const QStringList& parts, const QString& path)
{
    Fd opened;
    QString problem;
    switch (target_->openFolders(parts, opened, problem)) {
    case TargetFolder::Outcome::Done:
        note(u"Created "_s + (Path(target_->path()) / parts.join(u'/')).text() + u'/');
        return;
    case TargetFolder::Outcome::Link:
        warn(u"Skipped "_s + path + u": a link stands in its way."_s);
        return;
    case TargetFolder::Outcome::Failed:
        raise(err::PathFileAccess, problem);
    }
}

void Extraction::file(quint64 index, const EntryInfo& info, QStringList parts)
{
    if (!options_.useFolderNames)
        parts = QStringList{parts.last()};
    if (options_.spaceToUnderScore)
        for (QString& part : parts)
            part.replace(u' ', u'_');
    const QString name = parts.takeLast();
    const QString shown = (Path(target_->path()) / parts.join(u'/') / name).text();

    Fd folder;
    QString problem;
    const TargetFolder::Outcome outcome = target_->openFolders(parts, folder, problem);
    if (outcome == TargetFolder::Outcome::Failed)
        raise(err::PathFileAccess, problem);
    const Existing existing = outcome == TargetFolder::Outcome::Link
                                  ? Existing{Existing::Link, 0}
                                  : existingAt(folder.get(), name);
    if (existing.kind == Existing::Link) {
        warn(u"Skipped "_s + info.path + u": a link stands in its way."_s);
        return;
    }
    if (existing.kind == Existing::Folder || existing.kind == Existing::Other)
        raise(err::PathFileAccess,
              u"Cannot write \""_s + shown + u"\": something that is not a file has that name."_s);
    if (existing.kind == Existing::File && !mayReplace(shown, info, existing))
        return;

    PendingFile pending(folder.get(), name, shown);
    const Read outcomeOfRead = read(
        index, info, [&](const char* data, qint64 size) { pending.write(data, size); },
        [&] { pending.restart(); });
    if (outcomeOfRead != Read::Done) {
        skippedForPassword(outcomeOfRead, info.path);
        return;
    }
    pending.commit(info.mode, info.mtime);
    note(u"Unpacked "_s + shown);
}

void Extraction::test(quint64 index, const EntryInfo& info)
{
    const Read outcome = read(
        index, info, [](const char*, qint64) {}, [] {});
    if (outcome == Read::Done)
        note(u"Tested "_s + info.path + u": OK"_s);
    else
        skippedForPassword(outcome, info.path);
}

bool Extraction::mayReplace(const QString& shown, const EntryInfo& info, const Existing& existing)
{
    if (options_.extractOnlyNewer && info.mtime <= existing.mtime) {
        note(u"Kept "_s + shown + u": it is not older than the entry."_s);
        return false;
    }
    if (!options_.promptToOverwrite && (options_.overwriteExisting || options_.extractOnlyNewer))
        return true;
    if (replaceAll_ || keepAll_)
        return replaceAll_;
    const qint32 answer = object_.replace(shown);
    replaceAll_ = answer == kOverwriteReplaceAll;
    keepAll_ = answer == kOverwriteKeepAll;
    if (answer == kOverwriteReplace || replaceAll_)
        return true;
    note(u"Kept "_s + shown + u": a file of that name is there."_s);
    return false;
}

Extraction::Read Extraction::read(quint64 index, const EntryInfo& info,
                                  const ZipArchive::Sink& sink,
                                  const std::function<void()>& restart)
{
    if (!info.encrypted) {
        archive_.read(index, QByteArray(), sink);
        return Read::Done;
    }
    QByteArray candidate = password_;
    for (int asked = 0;;) {
        if (candidate.isEmpty()) {
            if (passwordCancelled_)
                return Read::NoPassword;
            if (asked == kPasswordTries)
                return Read::WrongPassword;
            ++asked;
            if (!object_.password(candidate) || candidate.isEmpty()) {
                passwordCancelled_ = true;
                return Read::NoPassword;
            }
        }
        restart();
        if (archive_.read(index, candidate, sink)) {
            password_ = candidate;
            return Read::Done;
        }
        candidate.clear();
    }
}

void Extraction::skippedForPassword(Read outcome, const QString& path)
{
    warn(u"Skipped "_s + path +
         (outcome == Read::NoPassword ? u": it is encrypted and no password was given."_s
                                      : u": the password is wrong or the entry is damaged."_s));
}

void Extraction::note(const QString& text)
{
    if (options_.messageLevel == kMessagesAll)
        object_.print(text);
}

void Extraction::warn(const QString& text)
{
    status_ = 1;
    object_.print(text);
}

} // namespace

qint32 VBUnzip(UnzipCallbacks& object, const UnzipOptions& options, const QStringList& include,
               const QStringList& exclude)
{
    const QString source = u"Vellumtone.VBUnzip"_s;
    try {
        if (include.size() > kMaxNames || exclude.size() > kMaxNames)
            raise(err::SubscriptOutOfRange, u"Subscript out of range"_s);
        const ZipArchive archive(options.archive);
        if (options.listOnly) {
            list(object, archive);
            return 0;
        }
        return Extraction(object, options, archive).run(include, exclude);
    } catch (const Error& e) {
        throw Error(e.number(), e.description(), source);
    } catch (const std::bad_alloc&) {
        throw Error(err::OutOfMemory, u"Out of memory"_s, source);
    }
}

UnzipVersion UzpVersion2()
{
    UnzipVersion version;
    version.text = QString::fromUtf8(zip_libzip_version());
    const QStringList numbers = version.text.split(u'.');
    version.major = numbers.value(0).toInt();
    version.minor = numbers.value(1).toInt();
    version.revision = numbers.value(2).toInt();
    return version;
}

} // namespace vt
