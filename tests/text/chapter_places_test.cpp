#include "chapter_places.h"
#include "epub_maker.h"
#include "epub_package.h"
#include "fake_window.h"
#include "paths.h"
#include "test_env.h"
#include "text_cutting.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

// The spoken text from a place on, its first `length` code points.
QString textAt(const QStringList& pieces, const ChapterPlace& place, qsizetype length = 30)
{
    const QList<uint> codes = QString::fromUtf8(test::readFile(pieces.at(place.piece - 1)))
                                  .toUcs4()
                                  .mid(place.offset, length);
    QString text;
    for (const uint c : codes)
        text += QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
    return text.simplified();
}

} // namespace

// Each book through the real converter and the cutter, as a run does it:
// documents, anchors inside one document, nested entries, Japanese with
// ruby readings, Arabic.
TEST(ChapterPlaces, TheTestBooksChaptersAreFoundAtTheirHeadings)
{
    const struct {
        const char* book;
        QStringList starts; // the spoken text at each place, in order
    } cases[] = {
        {"wasteland.epub",
         {u"I. The burial"_s, u"Ii. A game"_s, u"Iii. The fire"_s, u"Iv. Death"_s, u"V. What"_s,
          u"Notes on"_s}},
        {"hefty-water.epub",
         {u"Hefty water This"_s, u"The switch"_s, u"The source"_s, u"Hefty ruby water"_s}},
        {"trees.epub", {u"Classification"_s, u"Morphology"_s}},
        {"kusamakura-preview.epub", {u"一 山路やまみち"_s}},
        {"regime-anticancer-arabic.epub", {u"الفصل الثاني"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.book);
        const QString book = test::testBook(QString::fromLatin1(c.book));
        QTemporaryDir dir;
        const QString text = dir.filePath(u"output.txt"_s);
        QProcess convert;
        convert.start(u"ebook-convert"_s, {book, text});
        ASSERT_TRUE(convert.waitForFinished(120000) && convert.exitCode() == 0);
        test::FakeWindow window;
        QStringList pieces;
        for (qint32 j = 1, m = CutTextFileFSO(text, window); j <= m; ++j)
            pieces << dir.filePath(u"output"_s + PieceNumber(j) + u".txt"_s);
        const EpubBook epub(book);
        const QList<ChapterPlace> places = LocateChapters(epub, ReadEpubContents(epub), pieces);
        ASSERT_EQ(places.size(), c.starts.size());
        for (qsizetype i = 0; i < places.size(); ++i)
            EXPECT_TRUE(textAt(pieces, places[i]).startsWith(c.starts[i], Qt::CaseInsensitive))
                << textAt(pieces, places[i]).toStdString();
    }
}
