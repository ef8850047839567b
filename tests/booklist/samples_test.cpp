#include "booklist/samples.h"
#include "booklist/scramble.h"
#include "common/settings.h"
#include "fake_window.h"
#include "test_env.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

TEST(Scramble, SumsWrapAroundBy255AndComeBack)
{
    const QString key = u"z"_s; // 122
    // 200 + 122 = 322 wraps to 67; 133 + 122 = 255 stays.
    EXPECT_EQ(ScrambleText(QString(QChar(200)), key), QString(QChar(67)));
    EXPECT_EQ(UnscrambleText(QString(QChar(67)), key), QString(QChar(200)));
    EXPECT_EQ(ScrambleText(QString(QChar(133)), key), QString(QChar(255)));
    EXPECT_EQ(UnscrambleText(QString(QChar(255)), key), QString(QChar(133)));
    // 134 + 122 = 256 is the first sum that wraps: to 1, never to 0.
    EXPECT_EQ(ScrambleText(QString(QChar(134)), key), QString(QChar(1)));
    EXPECT_EQ(UnscrambleText(QString(QChar(1)), key), QString(QChar(134)));
}

TEST(Scramble, TheKeyIsUsedOverAndOver)
{
    const QString key = QString::fromUtf16(kSampleKey);
    ASSERT_EQ(key.size(), 8);
    for (const QChar c : key)
        EXPECT_TRUE(c >= u'a' && c <= u'z');
    const QString scrambled = ScrambleText(u"AAAAAAAAAA"_s, key);
    EXPECT_EQ(scrambled[8], scrambled[0]);
    EXPECT_EQ(scrambled[9], scrambled[1]);
    EXPECT_NE(scrambled[0], scrambled[1]);
    EXPECT_EQ(scrambled[0].unicode(), u'A' + key[0].unicode());
}

TEST(Scramble, EveryCodeSurvivesScramblingAndTheSettingsStore)
{
    QString all;
    for (int code = 1; code <= 255; ++code)
        all.append(QChar(static_cast<char16_t>(code)));
    const QString key = QString::fromUtf16(kSampleKey);
    test::FakeWindow window;
    const QString scrambled = ScrambleText(all, key, window.yield());
    EXPECT_EQ(window.yields, 255); // one yield per character
    EXPECT_EQ(UnscrambleText(scrambled, key), all);

    SettingsStore store;
    store.setText(key::Snapshot, all);
    // Read back from a copy of the file, so no cached value can answer.
    const QString ini =
        QSettings(QSettings::IniFormat, QSettings::UserScope, u"Quillmark"_s, u"Quillmark"_s)
            .fileName();
    QTemporaryDir copyDir;
    const QString copy = copyDir.filePath(u"copy.ini"_s);
    ASSERT_TRUE(QFile::copy(ini, copy));
    EXPECT_EQ(QSettings(copy, QSettings::IniFormat).value(u"Vellumtone/Snapshot"_s).toString(),
              all);
    EXPECT_EQ(store.text(key::Snapshot), all);
}

namespace
{

class Samples : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        folder = dir.filePath(u"Samples"_s);
        QDir().mkpath(folder);
    }
    QString sample(const QString& name)
    {
        test::writeFile(folder + u'/' + name, "sample");
        return folder + u'/' + name;
    }
    void load()
    {
        LoadSampleFiles(
            store, window, [&](const QString& opened) { openedFolders.append(opened); }, folder);
    }

    QTemporaryDir dir;
    QString folder;
    SettingsStore store;
    test::FakeWindow window;
    QStringList openedFolders;
};

const QString kQuestion =
    u"Would you like this software to open the folder where these sample "
    u"files are stored (so that you can view them before working with them)?"_s;

} // namespace

TEST_F(Samples, PressedTwiceEachSampleIsAddedOnce)
{
    QStringList expected{sample(u"One.epub"_s), sample(u"Café crème.epub"_s)};
    SaveSamplesSnapshot(store, folder);
    load();
    load();
    QStringList rows = window.rows;
    rows.sort();
    expected.sort();
    EXPECT_EQ(rows, expected);
    ASSERT_EQ(window.messages.size(), 2);
    EXPECT_EQ(window.messages[0].text, kQuestion);
    EXPECT_EQ(window.messages[0].buttons, Buttons::YesNo);
    EXPECT_EQ(window.messages[0].icon, Icon::None);
    EXPECT_TRUE(openedFolders.isEmpty()); // answered No
}

TEST_F(Samples, OnlyTheRecordedFilesCountAndDeletedOnesAreSkipped)
{
    const QString kept = sample(u"kept.epub"_s);
    const QString deleted = sample(u"deleted.epub"_s);
    const QString hidden = sample(u".hidden"_s); // every file counts here
    SaveSamplesSnapshot(store, folder);
    QFile::remove(deleted);
    sample(u"later.epub"_s);
    window.answers = {Answer::Yes};
    load();
    QStringList rows = window.rows;
    rows.sort();
    EXPECT_EQ(rows, (QStringList{hidden, kept}));
    EXPECT_EQ(window.messages.size(), 1);
    EXPECT_EQ(openedFolders, QStringList{folder + u'/'});
}

TEST_F(Samples, AnEmptyFolderRecordsTheEmptyTextAndTheQuestionIsStillAsked)
{
    SaveSamplesSnapshot(store, folder);
    EXPECT_TRUE(store.contains(key::Snapshot));
    EXPECT_EQ(store.text(key::Snapshot), QString());
    load();
    EXPECT_TRUE(window.rows.isEmpty());
    EXPECT_EQ(window.messageTexts(), QStringList{kQuestion});
}

TEST_F(Samples, NoRecordAddsNothingButAsks)
{
    sample(u"a.epub"_s);
    QSettings(QSettings::IniFormat, QSettings::UserScope, u"Quillmark"_s, u"Quillmark"_s)
        .remove(u"Vellumtone/Snapshot"_s);
    ASSERT_FALSE(store.contains(key::Snapshot));
    load();
    EXPECT_TRUE(window.rows.isEmpty());
    EXPECT_EQ(window.messageTexts(), QStringList{kQuestion});
}

TEST_F(Samples, AListedSampleIsNotAddedAgainButOtherRowsDoNotMatter)
{
    const QString a = sample(u"a.epub"_s);
    SaveSamplesSnapshot(store, folder);
    window.rows = {a.toUpper(), a};
    load();
    EXPECT_EQ(window.rows, (QStringList{a.toUpper(), a}));
    EXPECT_TRUE(IsPathInList(window, a));
    EXPECT_FALSE(IsPathInList(window, a + u' '));
}

// The two books that come with the program are real EPUB books.
TEST(ShippedSamples, AreTwoEpubBooksThatConvertToText)
{
    const QDir samples(QStringLiteral(VT_BIN_DIR) + u"/Samples"_s);
    const QStringList books = samples.entryList({u"*.epub"_s}, QDir::Files, QDir::Name);
    ASSERT_EQ(books.size(), 2) << samples.path().toStdString();
    if (QStandardPaths::findExecutable(u"ebook-convert"_s).isEmpty())
        GTEST_SKIP() << "ebook-convert is not installed";
    QTemporaryDir out;
    QStringList texts;
    for (const QString& book : books) {
        const QByteArray head = test::readFile(samples.filePath(book)).left(58);
        // The first entry is "mimetype", stored, as readers require.
        EXPECT_EQ(head.mid(30, 8), QByteArray("mimetype"));
        EXPECT_EQ(head.mid(8, 2), QByteArray("\0\0", 2));
        EXPECT_EQ(head.mid(38, 20), QByteArray("application/epub+zip"));
        const QString text = out.filePath(book + u".txt"_s);
        QProcess convert;
        convert.start(u"ebook-convert"_s, {samples.filePath(book), text});
        ASSERT_TRUE(convert.waitForFinished(180000));
        EXPECT_EQ(convert.exitCode(), 0) << convert.readAllStandardError().toStdString();
        texts.append(QString::fromUtf8(test::readFile(text)));
    }
    EXPECT_GT(texts.join(QString()).size(), 1000);
    EXPECT_TRUE(texts.join(QString()).contains(u"é"_s));
}
