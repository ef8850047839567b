#include "cli/cli_options.h"
#include "cli/console_observer.h"
#include "cli/voice_choice.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{
std::optional<CliOptions> parse(const QStringList& arguments, QString* error = nullptr)
{
    QString message;
    auto options = ParseCliOptions(arguments, message);
    if (error)
        *error = message;
    return options;
}
} // namespace

TEST(CliOptions, ValuesInEitherFormAndPathsInOrder)
{
    const auto options = parse({u"--voice"_s, u"English"_s, u"--volume=40"_s, u"--rate"_s, u"-10"_s,
                                u"--out"_s, u"/o"_s, u"a.epub"_s, u"--jobs"_s, u"3"_s,
                                u"--threads=1"_s, u"--"_s, u"--odd.epub"_s});
    ASSERT_TRUE(options);
    EXPECT_EQ(*options->voice, u"English"_s);
    EXPECT_EQ(*options->volume, 40);
    EXPECT_EQ(*options->rate, -10);
    EXPECT_EQ(*options->out, u"/o"_s);
    EXPECT_EQ(options->jobs, 3);
    EXPECT_EQ(options->threads, 1);
    EXPECT_EQ(parse({u"a"_s})->threads, 0); // the cores, shared among the jobs
    EXPECT_EQ(options->paths, (QStringList{u"a.epub"_s, u"--odd.epub"_s}));
    EXPECT_FALSE(options->tags); // not given: the window's choice holds
    EXPECT_EQ(parse({u"--no-tags"_s, u"a"_s})->tags, false);
    EXPECT_EQ(parse({u"--no-tags"_s, u"--tags"_s, u"a"_s})->tags, true); // the last one wins
    EXPECT_FALSE(options->splitChapters);
    EXPECT_EQ(parse({u"--split-chapters"_s, u"--format=m4b"_s, u"a"_s})->splitChapters, true);
    EXPECT_EQ(parse({u"--split-chapters"_s, u"--no-split-chapters"_s, u"a"_s})->splitChapters,
              false);
}

TEST(CliOptions, BadUsageNamesTheOptionOrValue)
{
    const std::pair<QStringList, QString> cases[] = {
        {{u"--rate"_s, u"11"_s, u"a"_s}, u"--rate"_s},
        {{u"--volume"_s, u"loud"_s, u"a"_s}, u"\"loud\""_s},
        {{u"--jobs"_s, u"0"_s, u"a"_s}, u"--jobs"_s},
        {{u"--threads"_s, u"0"_s, u"a"_s}, u"--threads"_s},
        {{u"--colour"_s, u"a"_s}, u"--colour"_s},
        {{u"--out"_s}, u"--out"_s},
        {{u"--out"_s, u"/o"_s, u"--beside"_s, u"a"_s}, u"--beside"_s},
        {{u"--beside=yes"_s, u"a"_s}, u"--beside"_s},
        {{u"--no-tags=1"_s, u"a"_s}, u"--no-tags"_s},
        {{u"--split-chapters=yes"_s, u"a"_s}, u"--split-chapters"_s},
        {{u"--format"_s, u"ogg"_s, u"a"_s}, u"\"ogg\""_s},
        {{}, u"no book"_s},
    };
    for (const auto& [arguments, named] : cases) {
        QString error;
        EXPECT_FALSE(parse(arguments, &error)) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(error.contains(named)) << error.toStdString();
    }
    EXPECT_TRUE(parse({u"--list-voices"_s}));
    EXPECT_TRUE(parse({u"--help"_s}));
}

TEST(CliOptions, VoicesByNumberExactNameOrUniquePart)
{
    const QStringList voices{u"English (Great Britain)"_s, u"English (America)"_s, u"French"_s};
    EXPECT_EQ(ChooseVoice(voices, u"1"_s), 1);
    EXPECT_EQ(ChooseVoice(voices, u"3"_s), -1);
    EXPECT_EQ(ChooseVoice(voices, u"french"_s), 2);
    EXPECT_EQ(ChooseVoice(voices, u"america"_s), 1);
    EXPECT_EQ(ChooseVoice(voices, u"English"_s), -1); // two voices hold it
    EXPECT_EQ(ChooseVoice(voices, u"Klingon"_s), -1);
}

TEST(ConsoleObserver, TellsWhatARunDoesInItsOwnWords)
{
    using Stage = RunProgress::Stage;
    RunProgress p;
    EXPECT_EQ(ConsoleObserver::describe(p), u"Preparing the converter and the encoder"_s);
    p = {Stage::Working, 2, 5, 0, 12, 30, 4, -1};
    EXPECT_EQ(ConsoleObserver::describe(p), u"Book 2 of 5"_s);
    p.piece = 3;
    p.stage = Stage::Speaking;
    EXPECT_EQ(ConsoleObserver::describe(p), u"Book 2 of 5: part 3 of 12, speaking"_s);
    p.stage = Stage::Joining;
    EXPECT_EQ(ConsoleObserver::describe(p), u"Book 2 of 5: joining the parts"_s);
}
