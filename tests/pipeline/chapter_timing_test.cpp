#include "chapter_timing.h"
#include "fake_window.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

QStringList described(const QList<BookChapter>& chapters)
{
    QStringList out;
    for (const BookChapter& c : chapters)
        out << u"%1 %2-%3"_s.arg(c.title).arg(c.startMs).arg(c.endMs);
    return out;
}

constexpr qint64 kSecond = 22050;

} // namespace

// Three pieces: the second and third begin after the MP3s of those before
// them, which are a little longer than their speech (the encoder's frames).
TEST(ChapterTiming, ChaptersBeginWhereTheEngineReachedTheirFirstWords)
{
    ChapterTiming timing;
    timing.start({{u"Two"_s, 2, 100}, {u"One"_s, 1, 0}, {u"Three"_s, 3, 40}});
    timing.wordReached(1, 0, 0);
    timing.wordReached(1, 500, 4 * kSecond);
    timing.pieceSpoken(1, 10 * kSecond, 900);
    timing.pieceEncoded(1, 10 * kSecond + 2205);
    timing.wordReached(2, 90, kSecond);
    timing.wordReached(2, 101, 2 * kSecond); // the first word at or after the place
    timing.pieceSpoken(2, 5 * kSecond, 300);
    timing.pieceEncoded(2, 5 * kSecond);
    timing.pieceSpoken(3, 8 * kSecond, 400); // no words reported: by the share of the text
    EXPECT_EQ(described(timing.chapters()),
              (QStringList{u"One 0-12100"_s, u"Two 12100-15900"_s, u"Three 15900-23100"_s}));
}

TEST(ChapterTiming, PlacesAtOneMomentOrPastTheEndMakeNoChapterOfTheirOwn)
{
    ChapterTiming timing;
    timing.start({{u"Part"_s, 1, 10}, {u"Chapter"_s, 1, 12}, {u"After"_s, 1, 100}});
    timing.wordReached(1, 11, kSecond);
    timing.wordReached(1, 13, kSecond); // both on the same word
    timing.pieceSpoken(1, 3 * kSecond, 100);
    // "After" has no word: its share of the text puts it at the very end.
    EXPECT_EQ(described(timing.chapters()), QStringList{u"Part 1000-3000"_s});

    timing.start({});
    timing.pieceSpoken(1, kSecond, 10);
    EXPECT_TRUE(timing.chapters().isEmpty()) << "no contents, no chapters";
    EXPECT_FALSE(timing.wanted());
}
