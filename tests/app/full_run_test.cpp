#include "app/captioned_progress_bar.h"
#include "app/window_observer.h"
#include "app_fixture.h"
#include "epub_maker.h"
#include "pipeline/conversion_run.h"
#include "pipeline/progress.h"
#include "scripted_chain.h"
#include "speech/speech_rendering.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <limits>
#include <utility>

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
    int barAtDone = -1;
    boxes.onShown = [&](QMessageBox&) { barAtDone = form->controls().ProgressBar1->value(); };
    form->controls().PushButton1->click();

    EXPECT_EQ(boxes.texts(), QStringList{u"Done."_s});
    EXPECT_EQ(boxes.shown[0].windowIconSizes, form->windowIcon().availableSizes());
    // "Done." is read over the full bar, in a box wide enough for its title.
    EXPECT_EQ(barAtDone, 100);
    QFont title = form->font();
    title.setBold(true);
    EXPECT_GT(boxes.shown[0].size.width(),
              QFontMetrics(title).horizontalAdvance(boxes.shown[0].title) + 100);
    const QFileInfo mp3(output.filePath(u"hefty-water.mp3"_s));
    ASSERT_TRUE(mp3.isFile());
    EXPECT_GT(mp3.size(), 10000);
    const QByteArray head = readFile(mp3.filePath()).left(3);
    EXPECT_TRUE(head == "ID3" || (quint8(head[0]) == 0xFF && (quint8(head[1]) & 0xE0) == 0xE0));
    // The window is back at rest.
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
    // Nothing of the run stays in the working folder, the last text included,
    // nor after the window is closed.
    EXPECT_EQ(entries(temp.path()), QStringList());
    form->close();
    EXPECT_EQ(processEnds, 1);
    EXPECT_EQ(entries(temp.path()), QStringList());
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
    // Closed while the book is spoken, once its encoders have written to
    // its unfinished result.
    QTimer poll;
    QStringList results{u"not closed"_s};
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const QFileInfoList files = QDir(output.path()).entryInfoList(QDir::Files | QDir::Hidden);
        if (processEnds == 0 && !files.isEmpty() && files[0].size() > 0) {
            form->close();
            results = entries(output.path());
        }
    });
    poll.start(20);
    form->controls().PushButton1->click();
    ASSERT_EQ(processEnds, 1);
    EXPECT_EQ(left, QStringList()) << left.join(u' ').toStdString();
    EXPECT_EQ(results, QStringList()) << results.join(u' ').toStdString();
}

// A batch left alone: the box of a book that is no EPUB, the box of a slider
// moved while busy and an Add dialog, all left open, hold nothing up. The
// same two books take about as long as when every box is closed at once.
TEST_F(AppTest, ARunNeverWaitsForTheBoxesAndDialogsLeftOpen)
{
    QTemporaryDir output;
    const QString notABook = output.filePath(u"notes.epub"_s);
    writeFile(notABook, "Only text, renamed.\n");
    auto form = loadedForm();
    form->show();
    form->controls().Text1->setText(output.path() + u'/');
    form->appendRow(notABook);
    form->appendRow(testBook(u"hefty-water.epub"_s));
    const auto besideTheWindow = [] {
        QList<QWidget*> open;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && (qobject_cast<QMessageBox*>(w) || qobject_cast<QFileDialog*>(w)))
                open << w;
        return open;
    };
    QStringList openAtDone; // what stood open beside the window when the run ended
    boxes.onShown = [&](QMessageBox& done) {
        openAtDone.clear();
        for (QWidget* w : besideTheWindow())
            if (w != &done)
                openAtDone << (qobject_cast<QMessageBox*>(w) ? static_cast<QMessageBox*>(w)->text()
                                                             : w->windowTitle());
    };
    // Every box but "Done.", which the test answers as a person would.
    const auto isDone = [](const QWidget* w) {
        const auto* box = qobject_cast<const QMessageBox*>(w);
        return box && box->text().startsWith(u"Done."_s);
    };
    boxes.leaveOpen = [&](const QMessageBox& box) { return !isDone(&box); };
    const auto closeAll = [&] {
        for (QWidget* w : besideTheWindow())
            if (!isDone(w))
                w->close();
    };
    // A run with what a person does meanwhile, every 20 ms; its time in ms.
    const auto timedRun = [&](const std::function<void()>& meanwhile) {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, meanwhile);
        poll.start(20);
        // A run that waits fails the comparison below rather than hangs.
        QTimer watchdog;
        QObject::connect(&watchdog, &QTimer::timeout, closeAll);
        watchdog.start(10000);
        QElapsedTimer clock;
        clock.start();
        form->controls().PushButton1->click();
        return clock.elapsed();
    };
    // The best of two runs each way, taken in turn: the machine's other work
    // weighs on both alike.
    qint64 closedAtOnce = std::numeric_limits<qint64>::max();
    qint64 leftOpen = closedAtOnce;
    for (int round = 0; round < 2; ++round) {
        closedAtOnce = std::min(closedAtOnce, timedRun(closeAll));
        bool acted = false;
        leftOpen = std::min(leftOpen, timedRun([&] {
                                if (!form->busy() || std::exchange(acted, true))
                                    return;
                                QTest::keyClick(form->controls().Slider2, Qt::Key_PageUp);
                                form->controls().PushButton3->click();
                            }));
    }
    // Within a fifth, and a quarter second for the test's own timers.
    EXPECT_LT(leftOpen, closedAtOnce * 6 / 5 + 250) << leftOpen << " ms against " << closedAtOnce;
    ASSERT_EQ(openAtDone.size(), 3) << openAtDone.join(u" | "_s).toStdString();
    // The book's box names it and says why, as "Done." does.
    const QString summary = boxes.texts().last();
    const QString line = summary.mid(summary.indexOf(notABook)).section(u'\n', 0, 0);
    EXPECT_TRUE(line.startsWith(notABook + u": "_s)) << summary.toStdString();
    EXPECT_TRUE(
        openAtDone.contains(UnrecognisedFormatText(notABook, line.mid(notABook.size() + 2))))
        << openAtDone.join(u" | "_s).toStdString();
    EXPECT_TRUE(openAtDone.contains(u"You can not adjust because file is being saved now."_s));
    EXPECT_TRUE(openAtDone.contains(u"Add File(s) - Use Ctrl & Shift to select multiple files"_s));
    EXPECT_TRUE(QFile::exists(output.filePath(u"hefty-water.mp3"_s)));
    closeAll();
}

// The start button's refusals, and the jobs it makes of the controls.
TEST_F(AppTest, TheStartButtonRefusesWhatItCannotDoAndSnapshotsTheRest)
{
    QTemporaryDir books;
    const auto scripted = std::make_shared<ScriptedChain>();
    ScriptedChain& chain = *scripted;
    Form1::Services services;
    services.makeChain = [scripted] { return scripted; };
    auto form = loadedForm(services);
    form->controls().PushButton1->click();
    EXPECT_EQ(boxes.texts(), QStringList{u"No files added."_s});

    const QString book = books.filePath(u"a.epub"_s);
    writeFile(book, "epub");
    form->appendRow(book);
    form->controls().Text1->setText(books.filePath(u"missing"_s));
    form->controls().PushButton1->click();
    // The missing folder is offered to be made; No refuses as the design does.
    EXPECT_EQ(boxes.texts().last(), u"Folder does not exist. Please select another folder.\n\n"
                                    u"Or make the folder\n"_s +
                                        books.filePath(u"missing"_s) +
                                        u"\nnow and save the results there?"_s);
    EXPECT_TRUE(chain.calls.isEmpty());
    EXPECT_FALSE(form->busy());
    EXPECT_EQ(form->pointer(), Pointer::Default);
    boxes.answers = {QMessageBox::Yes};
    form->controls().PushButton1->click();
    EXPECT_TRUE(QFile::exists(books.filePath(u"missing/a.mp3"_s)));
    EXPECT_EQ(boxes.texts().last(), u"Done."_s);

    // Beside the book the folder box does not count; a second click while
    // the run goes on does nothing.
    form->controls().Option2->click();
    chain.onSpeak = [&] { form->controls().PushButton1->click(); };
    form->controls().PushButton1->click();
    EXPECT_EQ(chain.calls.count(u"deploy"_s), 2);
    EXPECT_EQ(boxes.texts().last(), u"Done."_s);
    EXPECT_TRUE(QFile::exists(books.filePath(u"a.mp3"_s)));
    EXPECT_FALSE(form->busy());
    EXPECT_EQ(form->progressCaption(), kIdleCaption);
    EXPECT_EQ(form->controls().ProgressBar1->value(), 0);

    // "Save as" M4B and "One file per chapter": kept, and the next run's jobs.
    chain.onSpeak = nullptr;
    QTest::keyClick(form->controls().Combo2, Qt::Key_Down);
    form->controls().Check3->click();
    EXPECT_EQ(stored(key::Format), u"m4b"_s);
    EXPECT_EQ(stored(key::SplitChapters), u"True"_s);
    form->controls().PushButton1->click();
    EXPECT_TRUE(chain.encodedTo.last().startsWith(books.filePath(u".a.m4b."_s)));
    EXPECT_EQ(entries(books.filePath(u"a"_s)).size(), chain.chapterCount);
    form = loadedForm(services);
    EXPECT_EQ(form->controls().Combo2->currentText(), u"M4B audiobook (AAC)"_s);
    EXPECT_TRUE(form->controls().Check3->isChecked());
}

// The voice box stays open during a run, but the running book keeps the
// voice the run started with: every piece is spoken in it.
TEST_F(AppTest, ChangingTheVoiceDuringARunLeavesTheBookInItsVoice)
{
    QTemporaryDir output;
    auto form = loadedForm();
    form->show();
    QComboBox* voices = form->controls().Combo1;
    const int english = voices->findText(u"English (Great Britain)"_s);
    const int german = voices->findText(u"German"_s);
    ASSERT_GE(english, 0);
    ASSERT_GE(german, 0);
    voices->setCurrentIndex(english);
    form->controls().Slider2->setValue(10);
    form->controls().Text1->setText(output.path());
    const QString book = output.filePath(u"two pieces.epub"_s);
    QByteArray body;
    for (int i = 0; i < 700; ++i) // more lines than a piece holds
        body += "<p>Yes.</p>";
    makeEpub(book,
             opfDocument("<dc:title>Two</dc:title><dc:language>en</dc:language>",
                         R"(<item id="p" href="p.xhtml" media-type="application/xhtml+xml"/>)",
                         R"(<spine><itemref idref="p"/></spine>)"),
             {{u"p.xhtml"_s, xhtmlPage(body)}});
    form->appendRow(book);
    QStringList heard; // the voice of every moment the engine was heard speaking
    int pieces = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QFile::exists(temp.file(u"output002.txt"_s)))
            pieces = 2; // a book of two pieces
        if (const SpVoice* live = LiveVoice(); live && live->voice()) {
            heard << live->voice()->GetDescription();
            voices->setCurrentIndex(german); // a user picks another voice meanwhile
        }
    });
    poll.start(5);
    form->controls().PushButton1->click();
    EXPECT_EQ(boxes.texts(), QStringList{u"Done."_s});
    EXPECT_EQ(pieces, 2);
    EXPECT_EQ(voices->currentIndex(), german);
    ASSERT_GE(heard.size(), 2);
    EXPECT_EQ(heard.count(u"English (Great Britain)"_s), heard.size())
        << heard.join(u',').toStdString();
}

} // namespace vt::test
