#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <functional>

// Bad books, hidden or broken tools and hostile places for the fault tests.
namespace vt::test
{

// Packs the files of a folder into a zip with the zip program; the names in
// storedFirst go first and uncompressed (as an EPUB's mimetype must).
void zipFolder(const QString& folder, const QString& zipPath, const QStringList& storedFirst = {});
// An EPUB whose one chapter is encrypted, as a shop's copy protection leaves it.
void makeDrmBook(const QString& path);
// A small EPUB whose one chapter is encrypted with the zip format's password.
void makeZipCryptoBook(const QString& path);
// A small EPUB of one chapter with the given paragraphs.
void makeBook(const QString& path, const QStringList& paragraphs);
// An EPUB 3 book of chapters, each a page of its own named in the contents:
// its title as a heading, then the body as it is given (bytes that need
// not be UTF-8).
void makeChapteredBook(const QString& path, const QList<QPair<QString, QByteArray>>& chapters);
// A zip that holds two pictures and nothing else.
void makePicturesZip(const QString& path);
// A book whose one page shows a picture and holds no word.
void makePictureBook(const QString& path);
// The first `bytes` bytes of a test book.
void makeTruncatedCopy(const QString& book, const QString& path, qint64 bytes);

// A folder of stand-ins that run the installed tools, to build a PATH that
// lacks one tool or puts a fake one first.
void addRealTool(const QString& binFolder, const QString& tool);
void addFakeTool(const QString& binFolder, const QString& tool, const QByteArray& script);

// How a process is started: as root the test takes away the right to
// ignore file permissions, so that read-only folders hold; a file-size
// limit makes every write past it fail with EFBIG.
struct ProcessLimits {
    bool honourPermissions = false;
    qint64 fileSizeLimit = 0; // bytes, 0 for none
};

// True when a process started with honourPermissions cannot write into a
// read-only folder (false when the test cannot take that right away).
bool PermissionsHold();

struct CliRun {
    int status = -1;
    QByteArray out;
    QStringList lines;
    QString err;
};

// Runs vellumtone-cli with the environment given; `during` is called with
// the text it printed to stderr so far until it answers true (it may act).
// It starts in `startFolder` when one is given.
CliRun runCli(const QStringList& arguments, const QProcessEnvironment& env,
              const ProcessLimits& limits = {},
              const std::function<bool(const QString& err)>& during = {},
              const QString& startFolder = {});

// Starts the real window program on the offscreen screen with the book on
// its command line and a settings store of its own under `home`; the test
// plugin "vtdriver" picks results beside the book and starts the run.
void startWindow(QProcess& process, QProcessEnvironment env, const QString& home,
                 const QString& book, const QString& startFolder);
// True while the process exists and has not ended (a zombie has).
bool processAlive(qint64 pid);

} // namespace vt::test
