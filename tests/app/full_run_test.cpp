#include "app/captioned_progress_bar.h"
#include "app_fixture.h"
#include "pipeline/conversion_run.h"
#include "app/window_observer.h"
#include "pipeline/progress.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vt::test
{

// A real book through the real converter, speech engine and encoder, started
// from the button as a user would.
TEST_F(AppTest, TheStartButtonTurnsARealBookIntoAnMp3)
{
    QTemporaryDir output;
    auto form = loadedForm();
    form->show();
    form->controls().Text1->setText(output.path() + u'/');
    form->appendRow(testBook(u"hefty-water.epub"_s));
    QList<int> shown;
    QObject::connect(form->controls().ProgressBar1, &QProgressBar::valueChanged,
                     [&shown](int value) { shown << value; });
    form->controls().PushButton1->click();

    EXPECT_EQ(boxes.texts(), QStringList{u"Done."_s});
    EXPECT_EQ(boxes.shown[0].windowIconSizes, form->windowIcon().availableSizes());
    const QFileInfo mp3(output.filePath(u"hefty-water.mp3"_s));
    ASSERT_TRUE(mp3.isFile());
    EXPECT_GT(mp3.size(), 10000);
    const QByteArray head = readFile(mp3.filePath()).left(3);
    EXPECT_TRUE(head == "ID3" || (quint8(head[0]) == 0xFF && (quint8(head[1]) & 0xE0) == 0xE0));
    // The window is back at rest; of the working files only the text pieces
    // stay, for the next book to overwrite.
    EXPECT_FALSE(form->busy());
    EXPECT_EQ(form->pointer(), Pointer::Default);
    EXPECT_EQ(form->progressCaption(), kIdleCaption);
    EXPECT_EQ(form->controls().ProgressBar1->value(), 0);
    EXPECT_FALSE(form->timerEnabled());
    // The bar moved on as the book was spoken and as it was encoded, and
    // showed 100 only when it was done.
    const int spoken = int(100 * kSpeakingShare);
    EXPECT_TRUE(
        std::any_of(shown.begin(), shown.end(), [&](int v) { return v > 0 && v < spoken; }));
    EXPECT_TRUE(
        std::any_of(shown.begin(), shown.end(), [&](int v) { return v > spoken && v < 100; }));
    EXPECT_EQ(shown.indexOf(100), shown.size() - 2);
    const QRegularExpression piece(u"^output\\d{3,}\\.txt$"_s);
    const QStringList tools{u"JoinMP3.sh"_s, u"calibre"_s, u"calibre.zip"_s, u"lame"_s};
    for (const QString& name : entries(temp.path())) {
        EXPECT_FALSE(tools.contains(name)) << name.toStdString();
        if (name.startsWith(u"output"_s)) {
            EXPECT_TRUE(piece.match(name).hasMatch()) << name.toStdString();
        }
    }
}

TEST_F(AppTest, ClosingMidRunRemovesTheWorkingFiles)
{
    QTemporaryDir output;
    QStringList left{u"not closed"_s};
    Form1::Services services;
    services.endProcess = [&] {
        ++processEnds;
        left = entries(temp.path());
    };
    auto form = loadedForm(services);
    form->show();
    form->controls().Text1->setText(output.path());
    form->appendRow(testBook(u"hefty-water.epub"_s));
    // Closed while the first piece is spoken.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (processEnds == 0 && QFile::exists(temp.file(u"output001.wav"_s)))
            form->close();
    });
    poll.start(20);
    form->controls().PushButton1->click();
    ASSERT_EQ(processEnds, 1);
    EXPECT_EQ(left, QStringList()) << left.join(u' ').toStdString();
}

TEST_F(AppTest, TheStartButtonRefusesAnEmptyList)
{
    auto form = loadedForm();
    form->controls().PushButton1->click();
    EXPECT_EQ(boxes.texts(), QStringList{u"No files added."_s});
    EXPECT_FALSE(form->busy());
}

} // namespace vt::test
