#include "app/book_list_view.h"
#include "app/captioned_progress_bar.h"
#include "app/window_observer.h"
#include "app_fixture.h"
#include "common/error.h"
#include "common/startup.h"
#include "pipeline/progress.h"
#include "tools/command_runner.h"

#include <QAccessible>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTimer>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace vt::test
{
namespace
{

// The mouse moving over a spot of a widget, as the window system reports it.
void moveOver(QWidget* widget, QPoint at = {2, 2})
{
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// A 16x16 cursor file with its hot spot at (5, 3).
QByteArray cursorFile()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::black);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "ICO");
    qToLittleEndian<quint16>(2, bytes.data() + 2);
    qToLittleEndian<quint16>(5, bytes.data() + 6 + 4);
    qToLittleEndian<quint16>(3, bytes.data() + 6 + 6);
    return bytes;
}

} // namespace

TEST_F(AppTest, PointerFollowsTheMouseButTheHourglassStays)
{
    auto form = loadedForm();
    moveOver(form->controls().PushButton1);
    EXPECT_EQ(form->pointer(), Pointer::Custom);
    EXPECT_EQ(form->cursor().shape(), Qt::PointingHandCursor); // no HAND-M.CUR here
    moveOver(form->controls().PushButton14); // the speed test's button leaves it alone
    EXPECT_EQ(form->pointer(), Pointer::Custom);
    moveOver(form->controls().Frame1);
    EXPECT_EQ(form->pointer(), Pointer::Default);
    EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
    moveOver(form->controls().PushButton7);
    moveOver(form->controls().Text1);
    EXPECT_EQ(form->pointer(), Pointer::Default);
    moveOver(form->controls().PushButton9);
    moveOver(form->controls().Frame1,
             form->controls().lblVolume->geometry().center()); // over its label
    EXPECT_EQ(form->pointer(), Pointer::Custom);
    moveOver(form.get(), {1063, 1});
    EXPECT_EQ(form->pointer(), Pointer::Default);

    form->setPointer(Pointer::Hourglass);
    moveOver(form->controls().PushButton3);
    moveOver(form->controls().Frame5);
    moveOver(form.get(), {1063, 1});
    EXPECT_EQ(form->pointer(), Pointer::Hourglass);
    EXPECT_EQ(form->cursor().shape(), Qt::WaitCursor);
    EXPECT_TRUE(form->hourglassShown());
}

TEST_F(AppTest, HandCursorAndSkinComeFromTheProgramFolder)
{
    QTemporaryDir program;
    writeFile(program.filePath(u"HAND-M.CUR"_s), cursorFile());
    writeFile(program.filePath(u"x/o.cjs"_s), "QPushButton { color: rgb(1, 2, 3); }");
    Form1::Services services;
    services.programFolders = {u"/nonexistent"_s, program.path()};
    auto form = loadedForm(services);
    EXPECT_EQ(form->programFile(u"HAND-M.CUR"_s), program.filePath(u"HAND-M.CUR"_s));
    EXPECT_EQ(form->programFile(u"drag.ico"_s), QString());

    moveOver(form->controls().PushButton2);
    EXPECT_EQ(form->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(form->cursor().hotSpot(), QPoint(5, 3));

    EXPECT_EQ(form->styleSheet(), u"QPushButton { color: rgb(1, 2, 3); }"_s);
    const QColor face = QApplication::palette().color(QPalette::Button);
    for (QWidget* w : QList<QWidget*>{form.get(), form->controls().Frame1, form->controls().Label2,
                                      form->controls().Option2})
        EXPECT_EQ(w->palette().color(QPalette::Window), face) << w->objectName().toStdString();
}

TEST_F(AppTest, WithoutASkinTheWindowStaysWhite)
{
    auto form = loadedForm();
    EXPECT_EQ(form->styleSheet(), QString());
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(Qt::white));
}

TEST_F(AppTest, TheQuestionMarkExplainsWhyNotToMultitask)
{
    auto form = loadedForm();
    form->controls().PushButton9->click();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].title, u"Vellumtone"_s);
    EXPECT_EQ(boxes.shown[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(boxes.shown[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(
        boxes.shown[0].text,
        u"Most desktop software and most software on "_s + MakerSiteName() +
            u" allow you to multitask (do other things) while it is running.\n\nThis software is "
            u"an "
            u"exception. This software uses a lot of resources. Please allow the software to "
            u"run without multitasking so that it does not crash.\n\nPlease walk away from the "
            u"computer and do something else if you are tempted to multitask.\n\n"
            u"Keys:\nCtrl+O: Add EPUB Files\nCtrl+Shift+O: Add All EPUB Files In Folder\n"
            u"Ctrl+Return: Start Converting To MP3\nF1: this note\n"
            u"Tab, Shift+Tab: the next or the previous control\n"
            u"In the list: Delete removes the current book, Ctrl+Up and Ctrl+Down move it"_s);
}

TEST_F(AppTest, ClosingEndsTheProcessAndTheToolItWaitsFor)
{
    auto form = loadedForm();
    form->show();
    QTimer::singleShot(0, form.get(), [&] { form->close(); });
    // Stands for a tool of a run; only the closing can end it early.
    const ToolRun sleeper = RunAndWait(Command{u"/bin/sleep"_s, {u"600"_s}}, 6,
                                       [&form](const QByteArray&) { form->yieldOnce(); });
    EXPECT_EQ(processEnds, 1);
    EXPECT_TRUE(sleeper.crashed);
}

TEST_F(AppTest, TheBookRowsAreTheListsRowsCountedFromOne)
{
    auto form = loadedForm();
    form->appendRow(u"/books/a.epub"_s);
    form->appendRow(u"/books/b.epub"_s);
    EXPECT_EQ(form->rowCount(), 2);
    EXPECT_EQ(form->controls().ListView1->topLevelItem(1)->text(0), u"/books/b.epub"_s);
    EXPECT_EQ(form->rowText(1), u"/books/a.epub"_s);
    EXPECT_EQ(form->rowText(2), u"/books/b.epub"_s);
    EXPECT_THROW(form->rowText(3), Error);
}

// A run as the window shows it: the hourglass, the bar and its caption, and
// Timer1 raising the caption's counter while a piece is spoken.
TEST_F(AppTest, ARunsProgressMovesTheBarAndTimer1TicksWhileSpeaking)
{
    auto form = loadedForm();
    WindowObserver observer(*form);
    RunProgress progress;
    observer.progress(progress);
    EXPECT_EQ(form->progressCaption(), kDeployCaption);
    EXPECT_EQ(form->pointer(), Pointer::Hourglass);
    progress = {RunProgress::Stage::Speaking, 2, 5, 1, 3, 25.5, 17, -1};
    observer.progress(progress);
    EXPECT_EQ(
        form->progressCaption(),
        u"Processing: 2 of 5.. please wait patiently.. Please do not click on anything..17"_s);
    EXPECT_EQ(form->controls().ProgressBar1->value(), 25);
    ASSERT_TRUE(form->timerEnabled());
    form->setTimerInterval(10);
    QElapsedTimer waited;
    waited.start();
    while (form->progressCaption().endsWith(u"..17"_s) && waited.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    progress.stage = RunProgress::Stage::Joining;
    progress.waited = 12;
    observer.progress(progress);
    EXPECT_FALSE(form->timerEnabled());
    EXPECT_TRUE(form->progressCaption().endsWith(u", Please wait.. 12"_s));
    EXPECT_FALSE(form->progressCaption().contains(u"..17,"_s)); // the ticks counted on
}

// The window as a screen reader and a keyboard user meet it.
TEST_F(AppTest, EveryControlHasASpokenNameAndEveryActionAKey)
{
    auto form = loadedForm();
    const auto spoken = [](QWidget* w, QAccessible::Text text = QAccessible::Name) {
        return QAccessible::queryAccessibleInterface(w)->text(text);
    };
    // Tab goes through every control in reading order; each has a name of words.
    QStringList order;
    QWidget* w = form->controls().ListView1;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && !qobject_cast<QComboBox*>(w->parentWidget())) {
            EXPECT_TRUE(spoken(w).contains(QRegularExpression(u"[A-Za-z]{3}"_s))) << order.size();
            order << w->objectName();
        }
    } while ((w = w->nextInFocusChain()) != form->controls().ListView1);
    EXPECT_EQ(order.join(u' '),
              u"ListView1 PusChapters PusPronunciations PusPauses "
              u"PushButton3 PushButton4 PushButton2 PushButton5 "
              u"Slider1 Slider2 PushButton14 Combo1 Check2 PusRefreshList PusAddVoices "
              u"PushButton10 Option1 Text1 PushButton7 Option2 Check1 "
              u"Combo2 Check3 PushButton1 PushButton9"_s);
    // A voice box is named by its label, its voice being its value.
    EXPECT_EQ(spoken(form->controls().Combo1), u"Voice Used"_s);
    EXPECT_EQ(spoken(form->controls().Combo1, QAccessible::Value),
              form->controls().Combo1->currentText());
    // The longest voice name shows whole; a screen reader gets the chosen
    // voice as the box's text and as the selected item of its list.
    QComboBox* voices = form->controls().Combo1;
    for (int i = 0; i < voices->count(); ++i)
        if (voices->itemText(i).size() > voices->currentText().size())
            voices->setCurrentIndex(i);
    EXPECT_TRUE(voices->currentText().endsWith(u"(Flite)"_s));
    QStyleOptionComboBox field;
    field.initFrom(voices);
    EXPECT_LE(
        QFontMetrics(voices->font()).horizontalAdvance(voices->currentText()),
        voices->style()
            ->subControlRect(QStyle::CC_ComboBox, &field, QStyle::SC_ComboBoxEditField, voices)
            .width());
    for (QComboBox* box : {voices, form->controls().Combo2}) {
        QAccessibleInterface* read = QAccessible::queryAccessibleInterface(box);
        QAccessibleTextInterface* text = read->textInterface();
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->text(0, text->characterCount()), box->currentText());
        QAccessibleTableInterface* list = read->child(0)->tableInterface();
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->selectedCellCount(), 1);
        EXPECT_EQ(list->selectedCells().first()->text(QAccessible::Name), box->currentText());
    }
    EXPECT_EQ(spoken(form->controls().PushButton7), u"Choose Output Folder"_s);
    EXPECT_EQ(form->controls().PushButton7->text(), u"..."_s);
    EXPECT_EQ(spoken(form->controls().ProgressBar1, QAccessible::Description), u"Progress Bar"_s);

    // The list announces how many books it holds, and each row by its name.
    form->appendRow(u"/books/a.epub"_s);
    form->appendRow(u"/books/b.epub"_s);
    form->show();
    EXPECT_TRUE(
        spoken(form->controls().ListView1, QAccessible::Description).startsWith(u"2 books"_s));
    QAccessibleInterface* row =
        QAccessible::queryAccessibleInterface(form->controls().ListView1)->child(1);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->text(QAccessible::Name), u"a.epub"_s);
    EXPECT_EQ(row->text(QAccessible::Description), u"/books/a.epub"_s);
    // A long path is shortened in its middle and shown whole as its tooltip.
    EXPECT_EQ(form->controls().ListView1->textElideMode(), Qt::ElideMiddle);
    EXPECT_EQ(form->controls().ListView1->topLevelItem(0)->toolTip(0), u"/books/a.epub"_s);

    // Keys: a row moves down; Ctrl+Return starts (and refuses an empty list).
    form->controls().ListView1->setCurrentItem(form->controls().ListView1->topLevelItem(0));
    QTest::keyClick(form->controls().ListView1, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(form->rowText(2), u"/books/a.epub"_s);
    QAccessibleActionInterface* press =
        QAccessible::queryAccessibleInterface(form->controls().PushButton3)->actionInterface();
    EXPECT_EQ(press->keyBindingsForAction(press->pressAction()), QStringList{u"Ctrl+O"_s});
    form->controls().PushButton2->click();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    // Every control shows clearly that it has the focus.
    for (const QString& name : order) {
        auto* control = form->findChild<QWidget*>(name);
        control->setFocus(Qt::TabFocusReason);
        const auto* ring = form->findChild<QWidget*>(u"FocusRing"_s);
        ASSERT_NE(ring, nullptr);
        EXPECT_TRUE(ring->isVisible()) << name.toStdString();
        EXPECT_EQ(ring->parentWidget(), control->parentWidget()) << name.toStdString();
        EXPECT_EQ(ring->geometry(), control->geometry().adjusted(-2, -2, 2, 2))
            << name.toStdString();
    }
    // Tab into the list makes its first row current, unselected: Delete removes it.
    form->appendRow(u"/books/c.epub"_s);
    form->controls().PushButton9->setFocus(Qt::TabFocusReason);
    QTest::keyClick(form->controls().PushButton9, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), form->controls().ListView1);
    QTest::keyClick(form->controls().ListView1, Qt::Key_Delete);
    EXPECT_EQ(form->rowCount(), 0);
    QTest::keyClick(form.get(), Qt::Key_Return, Qt::ControlModifier);
    QTest::qWait(300); // a key clicks its button with a visible delay
    EXPECT_EQ(boxes.texts(), QStringList{u"No files added."_s});
}

} // namespace vt::test
