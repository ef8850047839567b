#pragma once

#include "epub_maker.h"
#include "test_env.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vt::test
{

// Runs vellumtone-cli as a user would, with its own TEMP.
class Cli : public ::testing::Test
{
  protected:
    struct Result {
        int status;
        QStringList out; // the lines of standard output
        QString err;
        QString text; // standard output as it came
    };

    Result run(const QStringList& arguments, int timeoutMs = 600000, const QString& lang = {})
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TEMP"), temp.path());
        if (!lang.isEmpty()) {
            env.remove(QStringLiteral("LC_ALL"));
            env.remove(QStringLiteral("LC_MESSAGES"));
            env.insert(QStringLiteral("LANG"), lang);
        }
        for (const QString& name : extraEnv.keys())
            env.insert(name, extraEnv.value(name));
        process.setProcessEnvironment(env);
        process.start(program(), arguments);
        process.waitForFinished(timeoutMs);
        const QString text = QString::fromUtf8(process.readAllStandardOutput());
        return {process.exitCode(), text.split(u'\n', Qt::SkipEmptyParts),
                QString::fromUtf8(process.readAllStandardError()), text};
    }
    static QString program() { return QStringLiteral(VT_BIN_DIR "/vellumtone-cli"); }
    // A small EPUB 3 book of one page in a language (none when empty).
    QString writeBook(const QString& name, const QByteArray& language, const QByteArray& body)
    {
        const QString path = books.filePath(name);
        const QByteArray metadata =
            "<dc:title>" + name.toUtf8() + "</dc:title>" +
            (language.isEmpty() ? QByteArray() : "<dc:language>" + language + "</dc:language>");
        test::makeEpub(
            path,
            test::opfDocument(metadata,
                              R"(<item id="p" href="p.xhtml" media-type="application/xhtml+xml"/>)",
                              R"(<spine><itemref idref="p"/></spine>)"),
            {{QStringLiteral("p.xhtml"), test::xhtmlPage(body, language)}});
        return path;
    }
    QString copyBook(const QString& name, const QString& as)
    {
        const QString target = books.filePath(as);
        QFile::copy(test::testBook(name), target);
        return target;
    }

    QProcessEnvironment extraEnv; // set for the runs, over the system's
    QTemporaryDir temp;
    QTemporaryDir out;
    QTemporaryDir booksDir;
    QDir books{booksDir.path()};
};

} // namespace vt::test
