#include "app/window_observer.h"
#include "app_fixture.h"
#include "pipeline/conversion_run.h"
#include "scripted_chain.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace vt::test
{
namespace
{

// A long but ordinary place for books, and the longest reasons a book fails for.
const QString kShelf = u"/home/someone/Documents/E-books/Classics and more/Nineteenth century/"_s;
const QStringList kReasons{
    u"the file is not an EPUB book (it is not a ZIP archive, or a damaged one)"_s,
    u"the book is protected by DRM (copy protection) and cannot be read"_s,
    u"the result /home/someone/Desktop/The Adventures of Sherlock Holmes.mp3 is a symbolic link; "
    u"remove it or choose another folder"_s,
    u"the speech could not be made for parts 3, 7 of 12 (is the espeak-ng voice data installed? "
    u"is the working folder full?)"_s,
    u"calibre took longer than 14 minutes, far longer than a book of this size needs, and was "
    u"stopped"_s};

QString book(int i)
{
    return kShelf +
           u"Book number %1 of the collection - A Long Title, With a Subtitle.epub"_s.arg(i);
}

// The box shows its whole title and text, and stands wholly on its screen.
void expectWhole(QMessageBox& box)
{
    QApplication::processEvents(); // the box fits itself once it knows its text's layout
    SCOPED_TRACE(box.text().left(50).toStdString());
    const QRect screen = box.screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(box.frameGeometry()))
        << box.frameGeometry().width() << "x" << box.frameGeometry().height() << " on "
        << screen.width() << "x" << screen.height();
    auto* label = box.findChild<QLabel*>(u"qt_msgbox_label"_s);
    ASSERT_NE(label, nullptr);
    const auto* text = label->findChild<QTextDocument*>();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->toPlainText(), box.text());
    EXPECT_LE(text->idealWidth(), label->contentsRect().width());
    EXPECT_LE(text->size().height(), label->contentsRect().height());
    EXPECT_EQ(label->visibleRegion().boundingRect(), label->rect()); // nothing cut off
    QFont title = box.font();
    title.setBold(true);
    EXPECT_GT(box.width(), QFontMetrics(title).horizontalAdvance(box.windowTitle()) + 100);
}

} // namespace

// Every box the window shows, with the longest text it has, at the screen
// size of the test run (800x600, 1024x768 and 1920x1080 in the runs that
// tests/app/CMakeLists.txt sets up).
TEST_F(AppTest, EveryBoxShowsItsWholeTextOnTheScreen)
{
    auto form = loadedForm();
    form->show();
    int boxesSeen = 0;
    boxes.onShown = [&](QMessageBox& box) {
        expectWhole(box);
        ++boxesSeen;
    };
    const Form1Controls& c = form->controls();
    c.PushButton5->click(); // the samples question
    c.PusAddVoices->click();
    c.PushButton10->click();
    c.PushButton9->click(); // F1
    c.PusRefreshList->click();
    c.PusChapters->click();
    form->setBusy(true);
    c.Slider1->setValue(c.Slider1->value() - 1); // refused
    c.PusPauses->click();                        // not now
    form->setBusy(false);
    form->appendRow(book(1));
    c.Text1->setText(kShelf + u"Audio books made by Vellumtone for the car, 2024/"_s);
    c.PushButton1->click(); // the missing folder, offered to be made
    ErrorBoxOf (*form)({u"Permission denied: "_s + kShelf + u"Vellumtone settings.ini"_s,
                        u"Vellumtone2021/08/31.Form1.PushButton7_Click"_s, 106});
    form->showMessage(UnrecognisedFormatText(book(1), kReasons[0]));
    RunOutcome outcome;
    for (int i = 0; i < kReasons.size(); ++i)
        outcome.books.append({book(i + 1), {}, false, kReasons[i], {}, {}});
    outcome.books.append({book(6), {}, true, {}, {}, u"no voice speaks its language (la)"_s});
    form->showMessage(RunSummary(outcome), Buttons::Ok, Icon::Warning);
    EXPECT_EQ(boxesSeen, 12);

    // 150 failed books: the box takes the screen and its whole text scrolls.
    for (int i = 0; i < 145; ++i)
        outcome.books.append({book(i + 7), {}, false, kReasons[i % 5], {}, {}});
    boxes.onShown = [&](QMessageBox& box) {
        QApplication::processEvents();
        EXPECT_TRUE(box.screen()->availableGeometry().contains(box.frameGeometry()));
        ASSERT_NE(box.findChild<QScrollArea*>(), nullptr);
        const auto* label = box.findChild<QLabel*>(u"qt_msgbox_label"_s);
        const auto* text = label->findChild<QTextDocument*>();
        EXPECT_LE(text->idealWidth(), label->contentsRect().width());
        EXPECT_LE(text->size().height(), label->contentsRect().height());
        ++boxesSeen;
    };
    form->showMessage(RunSummary(outcome), Buttons::Ok, Icon::Warning);
    EXPECT_EQ(boxesSeen, 13);
}

// A book that gave no text: the error's first line, then why, then the
// book and the rest of the error.
TEST(UnrecognisedFormat, TheReasonIsTheSecondLine)
{
    const QStringList lines = UnrecognisedFormatText(book(1), kReasons[0]).split(u'\n');
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines[0], u"Error #213042: Unrecognized EPUB format."_s);
    EXPECT_EQ(lines[1], u"The file is not an EPUB book (it is not a ZIP archive, or a damaged "
                        u"one)."_s);
    EXPECT_EQ(lines[3], book(1));
    EXPECT_EQ(lines[5], u"Software cannot operate with iTunes EPUB files for example."_s);
}

// The boxes of one run stand beside the window one below the other, each
// whole on the screen: none hides another.
TEST_F(AppTest, TheBoxesOfARunCascade)
{
    const auto scripted = std::make_shared<ScriptedChain>();
    Form1::Services services;
    services.makeChain = [scripted] { return scripted; };
    auto form = loadedForm(services);
    form->show();
    QTemporaryDir output;
    form->controls().Text1->setText(output.path());
    for (int i = 1; i <= 5; ++i)
        form->appendRow(book(i).replace(u"Book number"_s, u"notext"_s));
    QList<QPoint> places;
    boxes.onShown = [&](QMessageBox& done) {
        expectWhole(done);
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box && box != &done && box->isVisible()) {
                expectWhole(*box);
                places.append(box->pos());
                box->close();
            }
        }
    };
    form->controls().PushButton1->click();
    ASSERT_EQ(places.size(), 5);
    for (qsizetype i = 0; i < places.size(); ++i)
        for (qsizetype j = i + 1; j < places.size(); ++j)
            EXPECT_GE((places[i] - places[j]).manhattanLength(), 32) << i << " " << j;
    EXPECT_EQ(boxes.texts().last().count(u"notext"_s), 5); // "Done." names each
}

} // namespace vt::test
