#include "chapter_places.h"
#include "epub_maker.h"
#include "epub_package.h"
#include "fake_window.h"
#include "paths.h"
#include "test_env.h"
#include "text_cutting.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

// The book through the real converter and the cutter, as a run does it.
struct CutBook {
    QTemporaryDir dir;
    QStringList pieces;
    QList<ChapterPlace> places;

    CutBook(const QString& book, int speed)
    {
        const QString text = dir.filePath(u"output.txt"_s);
        QProcess convert;
        convert.start(u"ebook-convert"_s, {book, text});
        EXPECT_TRUE(convert.waitForFinished(120000) && convert.exitCode() == 0);
        test::FakeWindow window;
        window.speed = speed;
        const qint32 m = CutTextFileFSO(text, window);
        for (qint32 j = 1; j <= m; ++j)
            pieces << dir.filePath(u"output"_s + PieceNumber(j) + u".txt"_s);
        const EpubBook epub(book);
        places = LocateChapters(epub, ReadEpubContents(epub), pieces);
    }

    // The spoken text from a chapter's place on.
    QString at(const ChapterPlace& place, qsizetype length = 40) const
    {
        const QString piece = QString::fromUtf8(test::readFile(pieces.at(place.piece - 1)));
        const QList<uint> codes = piece.toUcs4().mid(place.offset, length);
        QString text;
        for (const uint c : codes)
            text += QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
        return text.simplified();
    }
};

} // namespace

TEST(ChapterPlaces, Probe)
{
    const QString name = qEnvironmentVariable("PROBE_BOOK", u"moby-dick-excerpt.epub"_s);
    CutBook book(test::testBook(name), 0);
    const EpubBook epub(test::testBook(name));
    for (const ContentsEntry& e : ReadEpubContents(epub))
        std::printf("toc: %d %s -> %s#%s\n", e.level, qPrintable(e.title), qPrintable(e.path),
                    qPrintable(e.fragment));
    for (const ChapterPlace& p : book.places)
        std::printf("%s | %d %lld | %s\n", qPrintable(p.title), p.piece,
                    static_cast<long long>(p.offset), qPrintable(book.at(p)));
}
