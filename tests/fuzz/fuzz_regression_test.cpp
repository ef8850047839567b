#include "fake_window.h" // readable QStrings in failures
#include "fuzz_entries.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

using Entry = QString (*)(const uint8_t*, size_t);

// Feeds every file of the target's folders to its entry function.
void replay(const QString& target, Entry entry)
{
    for (const QString& root : {QStringLiteral(VT_FUZZ_INPUTS), QStringLiteral(VT_FUZZ_SEEDS)}) {
        const QDir folder(root + u'/' + target);
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
            QFile file(folder.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
            const QByteArray input = file.readAll();
            EXPECT_EQ(
                entry(reinterpret_cast<const uint8_t*>(input.constData()), size_t(input.size())),
                QString())
                << folder.filePath(name).toStdString();
        }
    }
}

TEST(FuzzRegression, TextCleaningAndCutting)
{
    replay(u"text"_s, vt::fuzz::CleanAndCut);
}
TEST(FuzzRegression, ZipListingAndUnpacking)
{
    replay(u"unzip"_s, vt::fuzz::ListAndUnzip);
}
TEST(FuzzRegression, JoinedBookFix)
{
    replay(u"mp3"_s, vt::fuzz::FixJoinedBook);
}
TEST(FuzzRegression, PackageAndContents)
{
    replay(u"package"_s, vt::fuzz::ReadPackage);
}
TEST(FuzzRegression, ReferenceMarks)
{
    replay(u"marks"_s, vt::fuzz::ScanMarks);
}
TEST(FuzzRegression, ChosenParts)
{
    replay(u"parts"_s, vt::fuzz::ChooseParts);
}
TEST(FuzzRegression, Covers)
{
    replay(u"cover"_s, vt::fuzz::DrawCover);
}
TEST(FuzzRegression, PronunciationLists)
{
    replay(u"pronounce"_s, vt::fuzz::ReadPronunciations);
}

} // namespace
