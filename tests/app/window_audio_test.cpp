#include "app_fixture.h"
#include "audio_tools.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace vt::test
{
namespace
{

// The audio a player hears of an MP3: its samples, decoded.
QByteArray decoded(const QString& mp3)
{
    const ToolResult pcm = runTool(u"ffmpeg"_s, {u"-v"_s, u"error"_s, u"-i"_s, mp3, u"-f"_s,
                                                 u"s16le"_s, u"-ac"_s, u"1"_s, u"-"_s});
    EXPECT_EQ(pcm.exitCode, 0) << pcm.err.toStdString();
    return pcm.out;
}

} // namespace

// A book sounds the same from the window as from the batch program, sample
// for sample, however busy the window is meanwhile: a timer of its own fires
// and the mouse and keys reach it all through the run.
TEST_F(AppTest, TheWindowsRunGivesTheBatchProgramsAudio)
{
    QTemporaryDir window;
    QTemporaryDir batch;
    QTemporaryDir batchTemp;
    const QStringList books{testBook(u"hefty-water.epub"_s), testBook(u"trees.epub"_s)};
    auto form = loadedForm();
    form->show();
    form->controls().Text1->setText(window.path() + u'/');
    for (const QString& book : books)
        form->appendRow(book);
    int busy = 0;
    QTimer meanwhile;
    QObject::connect(&meanwhile, &QTimer::timeout, [&] {
        ++busy;
        QWidget* list = form->controls().ListView1;
        QTest::mouseMove(list, QPoint(10 + busy % 50, 10 + busy % 30));
        QTest::keyClick(list, busy % 2 ? Qt::Key_Down : Qt::Key_Up);
        form->update();
    });
    meanwhile.start(3);
    form->controls().PushButton1->click();
    meanwhile.stop();
    ASSERT_EQ(boxes.texts(), QStringList{u"Done."_s});
    EXPECT_GT(busy, 20); // the timer fired all through the run, however loaded the machine

    // The batch program reads the window's settings from the same store.
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TEMP"_s, batchTemp.path());
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(VT_BIN_DIR "/vellumtone-cli"),
              QStringList{u"--out"_s, batch.path()} + books);
    ASSERT_TRUE(cli.waitForFinished(600000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();

    for (const QString& name : {u"hefty-water.mp3"_s, u"trees.mp3"_s}) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray heard = decoded(window.filePath(name));
        const QByteArray wanted = decoded(batch.filePath(name));
        EXPECT_GT(heard.size(), 22050 * 2 * 60); // minutes of speech
        EXPECT_EQ(heard.size(), wanted.size());
        EXPECT_TRUE(heard == wanted)
            << QCryptographicHash::hash(heard, QCryptographicHash::Sha1).toHex().toStdString()
            << " / "
            << QCryptographicHash::hash(wanted, QCryptographicHash::Sha1).toHex().toStdString();
    }
}

} // namespace vt::test
