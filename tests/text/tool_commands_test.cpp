#include "audio/mp3_encoding.h"
#include "common/command.h"
#include "common/error.h"
#include "fake_window.h"
#include "test_env.h"
#include "tools/command_runner.h"
#include "tools/text_extraction.h"

#include <QLoggingCategory>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

// Records what would run; throws when asked to, as a failing display would.
class RecordingRunner : public CommandRunner
{
  public:
    ToolRun runAndWait(const Command& command, int windowStyle) override
    {
        commands.append(command);
        styles.append(windowStyle);
        if (failure)
            raise(err::InvalidCall, u"Invalid procedure call or argument"_s);
        ToolRun run;
        run.ran = true;
        run.exitCode = 1;
        return run;
    }
    QList<Command> commands;
    QList<int> styles;
    bool failure = false;
};

QStringList logged;

void keepLog(QtMsgType, const QMessageLogContext& context, const QString& text)
{
    if (QByteArray(context.category) == "vellumtone.tools")
        logged.append(text);
}

class ToolCommands : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        logged.clear();
        QLoggingCategory::setFilterRules(u"vellumtone.tools.info=true"_s);
        previous = qInstallMessageHandler(keepLog);
    }
    void TearDown() override
    {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
    }

    test::TempWorkingFolder w;
    test::FakeWindow window;
    RecordingRunner runner;
    QtMessageHandler previous = nullptr;
};

} // namespace

TEST_F(ToolCommands, TheConverterGetsTheBookWholeAndWritesOutputTxt)
{
    const QString book = u"/home/me/My Books [2021]/L'été (à Noël) \"1\".epub"_s;
    EXPECT_TRUE(ReadePubToStringToFSO(book, window.report(), runner).failed());
    ASSERT_EQ(runner.commands.size(), 1);
    const Command& c = runner.commands[0];
    EXPECT_EQ(c.program, w.path() + u"/calibre/ebook-convert"_s);
    EXPECT_EQ(c.interpreter, u"/bin/sh"_s); // the launcher runs from a noexec folder too
    EXPECT_EQ(c.arguments, (QStringList{book, w.path() + u"/output.txt"_s}));
    EXPECT_EQ(runner.styles[0], 0);
    EXPECT_EQ(logged, QStringList{u"\""_s + w.path() + u"/calibre/ebook-convert\" \""_s + book +
                                  u"\" \""_s + w.path() + u"/output.txt\""_s});
    EXPECT_TRUE(window.messages.isEmpty());
}

TEST_F(ToolCommands, TheEncoderGetsOnlyDashHAndBothPaths)
{
    EXPECT_EQ(
        WAVToMP3(u"/w/output 001.wav"_s, u"/out/My Book.mp3"_s, window.report(), runner).exitCode,
        1);
    ASSERT_EQ(runner.commands.size(), 1);
    EXPECT_EQ(runner.commands[0].program, w.path() + u"/lame"_s);
    EXPECT_EQ(runner.commands[0].interpreter, u"/bin/sh"_s);
    EXPECT_EQ(runner.commands[0].arguments,
              (QStringList{u"-h"_s, u"/w/output 001.wav"_s, u"/out/My Book.mp3"_s}));
    EXPECT_EQ(runner.styles[0], 0);
    EXPECT_EQ(logged, QStringList{u"\""_s + w.path() +
                                  u"/lame\" -h \"/w/output 001.wav\" \"/out/My Book.mp3\""_s});
    EXPECT_TRUE(window.messages.isEmpty());
}

TEST_F(ToolCommands, TheEncodersLatestFrameCountTellsHowFarItIs)
{
    EXPECT_EQ(EncodedShare("Encoding as 22.05 kHz\n     0/       ( 0%)|    0:00/     :  |"), -1);
    EXPECT_EQ(EncodedShare("\r   100/400   ( 6%)| 0:00/ 0:00|\x1b[A\r   300/400   (75%)|"), 0.75);
    EXPECT_EQ(EncodedShare(""), -1);
}

TEST_F(ToolCommands, AFailingRunIsReportedWithItsStep)
{
    runner.failure = true;
    EXPECT_FALSE(ReadePubToStringToFSO(u"/b.epub"_s, window.report(), runner).ran);
    EXPECT_FALSE(WAVToMP3(u"/a.wav"_s, u"/a.mp3"_s, window.report(), runner).ran);
    ASSERT_EQ(window.messages.size(), 2);
    EXPECT_EQ(window.messages[0].text,
              u"Invalid procedure call or argument\n"
              u"in Vellumtone2021/08/31.Speak.ReadePubToStringToFSO at line 104\n\n"
              u"Please email screenshot of this message to support@vellumtone.example"_s);
    EXPECT_TRUE(window.messages[1].text.contains(
        u"in Vellumtone2021/08/31.Speak.WAVToMP3 at line 106\n"_s));
    EXPECT_EQ(window.messages[1].caption, u"Application Error"_s);
}
