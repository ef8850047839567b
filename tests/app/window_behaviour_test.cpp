#include "app/book_list_view.h"
#include "app/captioned_progress_bar.h"
#include "app_fixture.h"
#include "common/build_config.h"
#include "common/error.h"
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
    moveOver(form->PushButton1);
    EXPECT_EQ(form->pointer(), Pointer::Custom);
    EXPECT_EQ(form->cursor().shape(), Qt::PointingHandCursor); // no HAND-M.CUR here
    moveOver(form->PushButton14); // the speed test's button leaves it alone
    EXPECT_EQ(form->pointer(), Pointer::Custom);
    moveOver(form->Frame1);
    EXPECT_EQ(form->pointer(), Pointer::Default);
    EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
    moveOver(form->PushButton7);
    moveOver(form->Text1);
    EXPECT_EQ(form->pointer(), Pointer::Default);
    moveOver(form->PushButton9);
    moveOver(form->Frame1, form->lblVolume->geometry().center()); // over its label
    EXPECT_EQ(form->pointer(), Pointer::Custom);
    moveOver(form.get(), {1063, 1});
    EXPECT_EQ(form->pointer(), Pointer::Default);

    form->setPointer(Pointer::Hourglass);
    moveOver(form->PushButton3);
    moveOver(form->Frame5);
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

    moveOver(form->PushButton2);
    EXPECT_EQ(form->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(form->cursor().hotSpot(), QPoint(5, 3));

    EXPECT_EQ(form->styleSheet(), u"QPushButton { color: rgb(1, 2, 3); }"_s);
    const QColor face = QApplication::palette().color(QPalette::Button);
    for (QWidget* w : QList<QWidget*>{form.get(), form->Frame1, form->Label2, form->Option2})
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
    form->PushButton9->click();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].title, u"Vellumtone"_s);
    EXPECT_EQ(boxes.shown[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(boxes.shown[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(
        boxes.shown[0].text,
        u"Most desktop software and most software on "_s + QStringLiteral(VT_VENDOR_SITE) +
            u" allow you to multitask (do other things) while it is running.\n\nThis software is "
            u"an "
            u"exception. This software uses a lot of resources. Please allow the software to "
            u"run without multitasking so that it does not crash.\n\nPlease walk away from the "
            u"computer and do something else if you are tempted to multitask."_s);
}

TEST_F(AppTest, ClosingEndsTheProcessAndTheToolItWaitsFor)
{
    auto form = loadedForm();
    form->show();
    QTimer::singleShot(0, form.get(), [&] { form->close(); });
    // Stands for a tool of a run; only the closing can end it early.
    const int code = RunAndWait(*form, Command{u"/bin/sleep"_s, {u"600"_s}});
    EXPECT_EQ(processEnds, 1);
    EXPECT_NE(code, 0);
}

TEST_F(AppTest, TheBookRowsAreTheListsRowsCountedFromOne)
{
    auto form = loadedForm();
    form->appendRow(u"/books/a.epub"_s);
    form->appendRow(u"/books/b.epub"_s);
    EXPECT_EQ(form->rowCount(), 2);
    EXPECT_EQ(form->ListView1->topLevelItem(1)->text(0), u"/books/b.epub"_s);
    EXPECT_EQ(form->rowText(1), u"/books/a.epub"_s);
    EXPECT_EQ(form->rowText(2), u"/books/b.epub"_s);
    EXPECT_THROW(form->rowText(3), Error);
}

TEST_F(AppTest, Timer1TicksRefreshTheCaption)
{
    auto form = loadedForm();
    form->appendRow(u"/books/a.epub"_s);
    CurrentBook = 1;
    ActivityCounter = 0;
    form->setTimerInterval(10);
    form->setTimerEnabled(true);
    EXPECT_TRUE(form->timerEnabled());
    QElapsedTimer waited;
    waited.start();
    while (ActivityCounter == 0 && waited.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    form->setTimerEnabled(false);
    EXPECT_FALSE(form->timerEnabled());
    ASSERT_GT(ActivityCounter, 0);
    EXPECT_TRUE(form->progressCaption().startsWith(u"Processing: 1 of 1.."_s));
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
    QWidget* w = form->ListView1;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->parentWidget() != form->Combo1) {
            EXPECT_TRUE(spoken(w).contains(QRegularExpression(u"[A-Za-z]{3}"_s))) << order.size();
            order << w->objectName();
        }
    } while ((w = w->nextInFocusChain()) != form->ListView1);
    EXPECT_EQ(order.join(u' '), u"ListView1 PushButton3 PushButton4 PushButton2 PushButton5 "
                                u"Slider1 Slider2 PushButton14 Combo1 PusRefreshList PusAddVoices "
                                u"PushButton10 Check2 Option1 Text1 PushButton7 Option2 Check1 "
                                u"PushButton1 PushButton9"_s);
    EXPECT_EQ(spoken(form->PushButton7), u"Choose Output Folder"_s);
    EXPECT_EQ(form->PushButton7->text(), u"..."_s);
    EXPECT_EQ(spoken(form->ProgressBar1, QAccessible::Description), u"Progress Bar"_s);

    // The list announces how many books it holds, and each row by its name.
    form->appendRow(u"/books/a.epub"_s);
    form->appendRow(u"/books/b.epub"_s);
    form->show();
    EXPECT_TRUE(spoken(form->ListView1, QAccessible::Description).startsWith(u"2 books"_s));
    QAccessibleInterface* row = QAccessible::queryAccessibleInterface(form->ListView1)->child(1);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->text(QAccessible::Name), u"a.epub"_s);
    EXPECT_EQ(row->text(QAccessible::Description), u"/books/a.epub"_s);

    // Keys: a row moves down; Ctrl+Return starts (and refuses an empty list).
    form->ListView1->setCurrentItem(form->ListView1->topLevelItem(0));
    QTest::keyClick(form->ListView1, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(form->rowText(2), u"/books/a.epub"_s);
    QAccessibleActionInterface* press =
        QAccessible::queryAccessibleInterface(form->PushButton3)->actionInterface();
    EXPECT_EQ(press->keyBindingsForAction(press->pressAction()), QStringList{u"Ctrl+O"_s});
    form->PushButton2->click();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_Return, Qt::ControlModifier);
    QTest::qWait(300); // a key clicks its button with a visible delay
    EXPECT_EQ(boxes.texts(), QStringList{u"No files added."_s});
}

} // namespace vt::test
