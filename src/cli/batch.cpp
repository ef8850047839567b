#include "cli/batch.h"

#include "cli/console_observer.h"
#include "common/files.h"
#include "common/owner_lock.h"
#include "common/working_folder.h"
#include "pipeline/conversion_run.h"
#include "pipeline/tool_chain.h"
#include "tools/interruption.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

QString privateFolder;

void printLine(const QString& line)
{
    const QByteArray bytes = (line + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// m:ss, or h:mm:ss from an hour on.
QString clockTime(qint64 milliseconds)
{
    const qint64 s = (milliseconds + 500) / 1000;
    const auto two = [](qint64 n) { return u"%1"_s.arg(n, 2, 10, QLatin1Char('0')); };
    return s >= 3600 ? u"%1:%2:%3"_s.arg(s / 3600).arg(two(s / 60 % 60), two(s % 60))
                     : u"%1:%2"_s.arg(s / 60).arg(two(s % 60));
}

// One line on standard error as each book of a batch starts and ends:
// "Book 2 of 5 started: PATH", "Book 2 of 5 done in 1:23: PATH".
void printBookLine(size_t index, size_t total, const QString& what, const QString& book)
{
    const QByteArray bytes =
        (u"Book %1 of %2 "_s.arg(index + 1).arg(total) + what + u": "_s + book + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace

QString ChildPathArgument(const QString& path)
{
    return QString::fromLatin1(Path(path).native().toPercentEncoding("/"));
}

QString PathFromChildArgument(const QString& argument)
{
    return Path::fromNative(QByteArray::fromPercentEncoding(argument.toLatin1())).text();
}

int ChildThreads(int threads, int jobs)
{
    if (threads > 0)
        return threads;
    // A share of one core still gets two encoders, not the sequential
    // chain: while one child waits for calibre or speaks, the other's
    // encoders take the idle core, and no WAV file goes through the disk.
    return std::max(2, QThread::idealThreadCount() / std::max(1, jobs));
}

namespace
{

QStringList childArguments(const BatchSettings& batch, const BookJob& book, int jobs)
{
    const JobSettings& settings = batch.job;
    QStringList arguments{u"--child"_s, u"--jobs"_s, u"1"_s, u"--threads"_s,
                          QString::number(ChildThreads(settings.threads, jobs))};
    if (batch.voice >= 0)
        arguments << u"--voice"_s << QString::number(batch.voice);
    arguments << u"--volume"_s << QString::number(settings.volume) << u"--rate"_s
              << QString::number(settings.rate)
              << (settings.matchLanguage ? u"--match-language"_s : u"--no-match-language"_s);
    arguments << (settings.tags ? u"--tags"_s : u"--no-tags"_s);
    if (settings.id3 == Id3Version::V2_4)
        arguments << u"--id3v2.4"_s;
    arguments << u"--format"_s << SuffixOf(settings.format)
              << (settings.splitChapters ? u"--split-chapters"_s : u"--no-split-chapters"_s);
    const ListenerChoices& listening = settings.listening;
    if (QFileInfo(listening.pronunciations).isFile())
        arguments << u"--pronounce"_s << listening.pronunciations;
    if (listening.parts.readAll)
        arguments << u"--read-all"_s;
    else if (listening.parts.chosen)
        arguments << u"--chapters"_s << WritePartNumbers(*listening.parts.chosen);
    arguments << u"--chapter-pause"_s << QString::number(listening.chapterPauseMs / 1000.0);
    if (listening.paragraphPauseMs >= 0)
        arguments << u"--paragraph-pause"_s << QString::number(listening.paragraphPauseMs / 1000.0);
    if (settings.option1)
        arguments << u"--out"_s << settings.folder;
    else
        arguments << u"--beside"_s;
    arguments << u"--result"_s << ChildPathArgument(book.result);
    return arguments << u"--"_s << ChildPathArgument(book.book);
}

// Each private working folder holds this file, locked by its process for
// as long as it lives.
const QString kOwnerLock = u"owner.lock"_s;
std::shared_ptr<const OwnerLock> ownerLock;

// The working folders of runs killed before they could clear up (SIGKILL,
// a power cut) hold what they left, a WAV of hundreds of megabytes maybe:
// those whose lock no process holds go. A folder without the lock (made by
// an older version) goes when it has not changed for a day.
void removeFoldersOfEndedRuns(const Path& parent)
{
    static const QRegularExpression name(u"^cli-(\\d+)-[A-Za-z0-9]{6}$"_s);
    const QDateTime dayAgo = QDateTime::currentDateTimeUtc().addDays(-1);
    for (const QFileInfo& entry :
         QDir(parent.text()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (entry.isSymLink() || !name.match(entry.fileName()).hasMatch())
            continue;
        const Path folder = parent / entry.fileName();
        // One that cannot be listed stays.
        const auto remove = [&folder] { (void)DeleteFolderTree(folder); };
        if (!RemoveIfAbandoned(folder / kOwnerLock, remove) && !FileExists(folder / kOwnerLock) &&
            entry.lastModified() < dayAgo)
            remove();
    }
}

} // namespace

Expected<void> SetUpPrivateWorkingFolder()
{
    const Expected<Path> parent = WorkingFolder();
    if (!parent)
        return parent.problem();
    removeFoldersOfEndedRuns(*parent);
    const QByteArray pattern =
        (*parent / (u"cli-"_s + QString::number(::getpid()) + u"-XXXXXX"_s)).native();
    std::vector<char> name(pattern.constData(), pattern.constData() + pattern.size() + 1);
    if (!::mkdtemp(name.data()))
        return Problem{u"cannot make a working folder in "_s + parent->text() + u": "_s +
                       qt_error_string(errno)};
    privateFolder = Path::fromNative(name.data()).text();
    ownerLock = OwnerLock::take(Path(privateFolder) / kOwnerLock);
    qputenv("TEMP", name.data());
    return {};
}

void RemovePrivateWorkingFolder()
{
    if (privateFolder.isEmpty())
        return;
    // A folder that cannot be listed stays: nothing more can be done about it.
    (void)DeleteFolderTree(privateFolder);
    privateFolder.clear();
    ownerLock.reset();
}

int ConvertInProcess(const QStringList& books, const BatchSettings& settings, bool showProgress)
{
    ConsoleObserver observer(showProgress);
    ToolChain chain;
    QList<BookJob> jobs = MakeJobs(books, settings.job);
    if (!settings.result.isEmpty() && jobs.size() == 1)
        jobs.first().result = settings.result;
    const RunOutcome outcome = ConvertBooks(jobs, observer, chain);
    if (outcome.stopped || Interrupted()) {
        // The run has ended its tool and removed its unfinished result and
        // working files.
        AbandonRun();
        RemovePrivateWorkingFolder();
        std::fputs("\nvellumtone-cli: interrupted\n", stderr);
        return 130;
    }
    if (!outcome.started) {
        for (const QString& book : books)
            printLine(u"failed: "_s + book + u": the conversion could not start"_s);
        return 1;
    }
    bool allOk = true;
    for (const BookResult& result : outcome.books) {
        allOk = allOk && result.ok;
        const QString note = result.note.isEmpty() ? QString() : u'\t' + result.note;
        printLine((result.ok ? result.resultPath
                             : u"failed: "_s + result.book + u": "_s + result.reason) +
                  note);
    }
    return allOk && outcome.books.size() == books.size() ? 0 : 1;
}

int ConvertInChildren(const QString& program, const QStringList& books,
                      const BatchSettings& settings, int jobs)
{
    struct Job {
        std::unique_ptr<QProcess> process;
        QElapsedTimer clock;
        QString line;
        bool done = false;
        int status = 0;
    };
    std::vector<Job> all(static_cast<size_t>(books.size()));
    // The results are named for the whole batch, so that two books of one
    // name do not make one result.
    const QList<BookJob> named = MakeJobs(books, settings.job);
    size_t next = 0;
    size_t printed = 0;
    int running = 0;
    bool allOk = true;
    std::fprintf(stderr, "Converting %lld books, %d at a time\n",
                 static_cast<long long>(books.size()), jobs);

    while (printed < all.size()) {
        while (!Interrupted() && running < jobs && next < all.size()) {
            Job& job = all[next];
            job.clock.start();
            job.process = std::make_unique<QProcess>();
            job.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            job.process->setStandardInputFile(QProcess::nullDevice());
            job.process->start(program, childArguments(settings, named[qsizetype(next)], jobs));
            if (job.process->waitForStarted(-1)) {
                EndOnInterrupt(int(next), pid_t(job.process->processId()));
                printBookLine(next, all.size(), u"started"_s, books[qsizetype(next)]);
                ++running;
            } else {
                job.done = true;
                job.status = 1;
                job.line = u"failed: "_s + books[qsizetype(next)] + u": cannot start "_s + program;
                printBookLine(next, all.size(), u"failed"_s, books[qsizetype(next)]);
            }
            ++next;
        }
        for (size_t i = 0; i < next; ++i) {
            Job& job = all[i];
            if (job.done || !job.process || !job.process->waitForFinished(20))
                continue;
            EndOnInterrupt(int(i), 0);
            --running;
            job.done = true;
            job.status =
                job.process->exitStatus() == QProcess::NormalExit ? job.process->exitCode() : 1;
            job.line = QString::fromUtf8(job.process->readAllStandardOutput()).trimmed();
            if (job.line.isEmpty())
                job.line =
                    u"failed: "_s + books[qsizetype(i)] + u": the converter ended unexpectedly"_s;
            const QString took = clockTime(job.clock.elapsed());
            printBookLine(i, all.size(),
                          Interrupted()     ? u"interrupted after "_s + took
                          : job.status == 0 ? u"done in "_s + took
                                            : u"failed after "_s + took,
                          books[qsizetype(i)]);
        }
        if (Interrupted() && running == 0)
            break;
        while (printed < all.size() && all[printed].done) {
            printLine(all[printed].line);
            allOk = allOk && all[printed].status == 0;
            ++printed;
        }
    }
    if (Interrupted()) {
        RemovePrivateWorkingFolder();
        std::fputs("vellumtone-cli: interrupted\n", stderr);
        return 130;
    }
    return allOk ? 0 : 1;
}

} // namespace vt
