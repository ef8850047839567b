#include "fault_kit.h"

#include "test_env.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vt::test
{
namespace
{

const QByteArray kOpf = R"(<?xml version="1.0"?>
<package xmlns="http://www.idpf.org/2007/opf" version="2.0" unique-identifier="id">
<metadata xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title>Locked</dc:title>
<dc:identifier id="id">locked-1</dc:identifier><dc:language>en</dc:language></metadata>
<manifest><item id="c" href="chapter.xhtml" media-type="application/xhtml+xml"/></manifest>
<spine><itemref idref="c"/></spine></package>
)";

const QByteArray kContainer = R"(<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
<rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/>
</rootfiles></container>
)";

const QByteArray kEncryption = R"(<?xml version="1.0"?>
<encryption xmlns="urn:oasis:names:tc:opendocument:xmlns:container"
 xmlns:enc="http://www.w3.org/2001/04/xmlenc#" xmlns:ds="http://www.w3.org/2000/09/xmldsig#">
<enc:EncryptedData><enc:EncryptionMethod Algorithm="http://www.w3.org/2001/04/xmlenc#aes128-cbc"/>
<ds:KeyInfo><ds:RetrievalMethod URI="#EK" Type="http://www.w3.org/2001/04/xmlenc#EncryptedKey"/>
</ds:KeyInfo><enc:CipherData><enc:CipherReference URI="OEBPS/chapter.xhtml"/></enc:CipherData>
</enc:EncryptedData></encryption>
)";

// A 1x1 PNG picture.
const QByteArray kPng = QByteArray::fromBase64(
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGP4z8AAAAMBAQDJ/pLvAAAAAElFTkSuQmCC");

void applyLimits(const ProcessLimits& limits)
{
    if (limits.honourPermissions && ::geteuid() == 0) {
        // Dropped from the bounding set, the rights are gone for every
        // program this process runs, though it stays root.
        ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
        ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
        ::prctl(PR_CAPBSET_DROP, CAP_FOWNER, 0, 0, 0);
    }
    if (limits.fileSizeLimit > 0) {
        ::signal(SIGXFSZ, SIG_IGN); // writes fail with EFBIG instead of killing the writer
        const rlimit limit{rlim_t(limits.fileSizeLimit), rlim_t(limits.fileSizeLimit)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
}

void startLimited(QProcess& process, const QString& program, const QStringList& arguments,
                  const ProcessLimits& limits)
{
    process.setChildProcessModifier([limits] { applyLimits(limits); });
    process.start(program, arguments);
}

} // namespace

void zipFolder(const QString& folder, const QString& zipPath, const QStringList& storedFirst)
{
    QProcess zip;
    zip.setWorkingDirectory(folder);
    if (!storedFirst.isEmpty()) {
        zip.start(u"zip"_s, QStringList{u"-X0q"_s, zipPath} + storedFirst);
        ASSERT_TRUE(zip.waitForFinished(30000));
    }
    QStringList rest = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QString& name : storedFirst)
        rest.removeAll(name);
    zip.start(u"zip"_s, QStringList{u"-Xrq"_s, zipPath} + rest);
    ASSERT_TRUE(zip.waitForFinished(30000));
    ASSERT_EQ(zip.exitCode(), 0) << zip.readAllStandardError().toStdString();
}

void makeDrmBook(const QString& path)
{
    QTemporaryDir dir;
    writeFile(dir.filePath(u"mimetype"_s), "application/epub+zip");
    writeFile(dir.filePath(u"META-INF/container.xml"_s), kContainer);
    writeFile(dir.filePath(u"META-INF/encryption.xml"_s), kEncryption);
    writeFile(dir.filePath(u"OEBPS/content.opf"_s), kOpf);
    QByteArray cipher(600, '\0');
    for (int i = 0; i < cipher.size(); ++i)
        cipher[i] = char((i * 97 + 13) & 0xff);
    writeFile(dir.filePath(u"OEBPS/chapter.xhtml"_s), cipher);
    zipFolder(dir.path(), path, {u"mimetype"_s});
}

void makeZipCryptoBook(const QString& path)
{
    makeBook(path, {u"A chapter nobody may read."_s});
    QProcess zip; // the chapter again, with the zip format's own password
    zip.setWorkingDirectory(QFileInfo(path).path());
    QTemporaryDir dir;
    writeFile(dir.filePath(u"OEBPS/chapter.xhtml"_s), "<html><body><p>Secret.</p></body></html>");
    zip.setWorkingDirectory(dir.path());
    zip.start(u"zip"_s, {u"-Xq"_s, u"-P"_s, u"secret"_s, path, u"OEBPS/chapter.xhtml"_s});
    ASSERT_TRUE(zip.waitForFinished(30000));
    ASSERT_EQ(zip.exitCode(), 0) << zip.readAllStandardError().toStdString();
}

void makeBook(const QString& path, const QStringList& paragraphs)
{
    QTemporaryDir dir;
    writeFile(dir.filePath(u"mimetype"_s), "application/epub+zip");
    writeFile(dir.filePath(u"META-INF/container.xml"_s), kContainer);
    writeFile(dir.filePath(u"OEBPS/content.opf"_s), kOpf);
    QByteArray body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>t</title></head><body>\n";
    for (const QString& paragraph : paragraphs)
        body += "<p>" + paragraph.toHtmlEscaped().toUtf8() + "</p>\n";
    writeFile(dir.filePath(u"OEBPS/chapter.xhtml"_s), body + "</body></html>\n");
    zipFolder(dir.path(), path, {u"mimetype"_s});
}

void makeChapteredBook(const QString& path, const QList<QPair<QString, QByteArray>>& chapters)
{
    QTemporaryDir dir;
    writeFile(dir.filePath(u"mimetype"_s), "application/epub+zip");
    writeFile(dir.filePath(u"META-INF/container.xml"_s), kContainer);
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<html xmlns=\"http://www.w3.org/1999/xhtml\" "
                            "xmlns:epub=\"http://www.idpf.org/2007/ops\"><head><title>t</title>"
                            "</head><body>\n";
    QByteArray manifest = "<item id=\"nav\" href=\"nav.xhtml\" properties=\"nav\" "
                          "media-type=\"application/xhtml+xml\"/>\n";
    QByteArray spine;
    QByteArray entries;
    for (qsizetype i = 0; i < chapters.size(); ++i) {
        const QByteArray name = "c" + QByteArray::number(i + 1) + ".xhtml";
        const QByteArray title = chapters[i].first.toHtmlEscaped().toUtf8();
        writeFile(dir.filePath(u"OEBPS/"_s + QString::fromLatin1(name)),
                  head + "<h1>" + title + "</h1>\n" + chapters[i].second + "\n</body></html>\n");
        manifest += "<item id=\"c" + QByteArray::number(i + 1) + "\" href=\"" + name +
                    "\" media-type=\"application/xhtml+xml\"/>\n";
        spine += "<itemref idref=\"c" + QByteArray::number(i + 1) + "\"/>";
        entries += "<li><a href=\"" + name + "\">" + title + "</a></li>\n";
    }
    writeFile(dir.filePath(u"OEBPS/nav.xhtml"_s),
              head + "<nav epub:type=\"toc\"><ol>\n" + entries + "</ol></nav></body></html>\n");
    writeFile(dir.filePath(u"OEBPS/content.opf"_s),
              "<?xml version=\"1.0\"?>\n<package xmlns=\"http://www.idpf.org/2007/opf\" "
              "version=\"3.0\" unique-identifier=\"id\"><metadata "
              "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>Chapters</dc:title>"
              "<dc:identifier id=\"id\">chapters-1</dc:identifier><dc:language>en</dc:language>"
              "</metadata><manifest>\n" +
                  manifest + "</manifest><spine>" + spine + "</spine></package>\n");
    zipFolder(dir.path(), path, {u"mimetype"_s});
}

void makePictureBook(const QString& path)
{
    makeBook(path, {});
    QTemporaryDir dir;
    writeFile(dir.filePath(u"OEBPS/chapter.xhtml"_s),
              "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>Pictures</title></head>"
              "<body><p><img src=\"page1.png\" alt=\"A boat\"/></p></body></html>");
    writeFile(dir.filePath(u"OEBPS/page1.png"_s), kPng);
    QProcess zip; // the page again, and its picture
    zip.setWorkingDirectory(dir.path());
    zip.start(u"zip"_s, {u"-q"_s, path, u"OEBPS/chapter.xhtml"_s, u"OEBPS/page1.png"_s});
    zip.waitForFinished();
}

void makePicturesZip(const QString& path)
{
    QTemporaryDir dir;
    writeFile(dir.filePath(u"cover.png"_s), kPng);
    writeFile(dir.filePath(u"images/page1.png"_s), kPng);
    zipFolder(dir.path(), path);
}

void makeTruncatedCopy(const QString& book, const QString& path, qint64 bytes)
{
    writeFile(path, readFile(book).left(bytes));
}

void addRealTool(const QString& binFolder, const QString& tool)
{
    addFakeTool(binFolder, tool, "#!/bin/sh\nexec /usr/bin/" + tool.toUtf8() + " \"$@\"\n");
}

void addFakeTool(const QString& binFolder, const QString& tool, const QByteArray& script)
{
    const QString path = binFolder + u'/' + tool;
    writeFile(path, script);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                    QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                    QFile::ExeOther);
}

bool PermissionsHold()
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(u"ro"_s));
    QFile::setPermissions(dir.filePath(u"ro"_s), QFile::ReadOwner | QFile::ExeOwner);
    QProcess probe;
    startLimited(probe, u"/bin/sh"_s, {u"-c"_s, u"echo x > \"$0/ro/probe\""_s, dir.path()},
                 {true, 0});
    probe.waitForFinished(10000);
    const bool held = !QFile::exists(dir.filePath(u"ro/probe"_s));
    QFile::setPermissions(dir.filePath(u"ro"_s),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return held;
}

CliRun runCli(const QStringList& arguments, const QProcessEnvironment& env,
              const ProcessLimits& limits, const std::function<bool(const QString&)>& during,
              const QString& startFolder)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(startFolder);
    startLimited(process, QStringLiteral(VT_BIN_DIR "/vellumtone-cli"), arguments, limits);
    CliRun run;
    QByteArray err;
    bool watching = bool(during);
    // Bounded: a run that hangs fails the test instead of the test hanging.
    for (int i = 0; i < 1200 && process.state() != QProcess::NotRunning; ++i) {
        process.waitForFinished(100);
        err += process.readAllStandardError();
        if (watching && during(QString::fromUtf8(err)))
            watching = false;
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(10000);
        ADD_FAILURE() << "vellumtone-cli did not end within two minutes";
    }
    err += process.readAllStandardError();
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.lines = QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(err);
    return run;
}

void startWindow(QProcess& process, QProcessEnvironment env, const QString& home,
                 const QString& book, const QString& startFolder)
{
    env.insert(u"HOME"_s, home);
    env.insert(u"XDG_CONFIG_HOME"_s, home + u"/.config"_s);
    env.insert(u"XDG_RUNTIME_DIR"_s, home);
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"QT_PLUGIN_PATH"_s, QStringLiteral(VT_TEST_PLUGINS));
    env.insert(u"QT_QPA_GENERIC_PLUGINS"_s, u"vtdriver"_s);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setWorkingDirectory(startFolder);
    process.start(QStringLiteral(VT_BIN_DIR "/vellumtone"), {book});
}

bool processAlive(qint64 pid)
{
    const QByteArray stat = readFile(u"/proc/%1/stat"_s.arg(pid));
    const qsizetype end = stat.lastIndexOf(')');
    return end > 0 && stat.size() > end + 2 && stat[end + 2] != 'Z';
}

} // namespace vt::test
