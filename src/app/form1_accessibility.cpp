#include "app/book_list_view.h"
#include "app/captioned_progress_bar.h"
#include "app/focus_ring.h"
#include "app/form1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

void describe(QWidget* control, const QString& name, const QString& description = {})
{
    control->setAccessibleName(name);
    if (!description.isEmpty())
        control->setAccessibleDescription(description);
}

} // namespace

// For people who use a screen reader or only the keyboard: every control
// has a name a screen reader can say (the captions stay as they are), Tab
// goes through the window in reading order, and the main actions have keys.
void Form1::setUpAccessibility()
{
    describe(PusChapters, u"Chapters"_s, u"Chooses which parts of the selected book are read"_s);
    describe(PusPronunciations, u"Pronunciations"_s,
             u"Edits how words are said in every book, and lets you listen to them"_s);
    describe(PusPauses, u"Pauses"_s, u"Sets the pauses before chapters and after paragraphs"_s);
    describe(PushButton3, u"Add EPUB Files"_s, u"Choose EPUB files to add to the list"_s);
    describe(PushButton4, u"Add All EPUB Files In Folder"_s,
             u"Choose a folder: every EPUB file in it and in its sub-folders is added"_s);
    describe(PushButton2, u"Clear List"_s, u"Removes every book from the list"_s);
    describe(PushButton5, u"Load Sample/Example Files"_s,
             u"Adds the sample books that come with the program"_s);
    describe(Slider1, u"Volume Level"_s, u"From 0 (Min.) to 100 (Max.)"_s);
    describe(Slider2, u"Speech Rate"_s, u"From -10 (Slow) to 10 (Fast)"_s);
    describe(PushButton14, u"Test Speed"_s,
             u"Speaks a short sentence with the chosen voice, volume and speed"_s);
    describe(Combo1, u"Voice Used"_s, u"The voice that reads the books"_s);
    describe(PusRefreshList, u"Refresh List"_s, u"Reads the installed voices again"_s);
    describe(PusAddVoices, u"Add Voices"_s, u"Tells how to install more voices"_s);
    describe(PushButton10, u"Add Languages"_s, u"Tells how to install more languages"_s);
    describe(Check2, u"Match each book's language"_s,
             u"A book in another language than the chosen voice's is read by a voice for its "
             u"language"_s);
    describe(Option1, u"Save results to this folder:"_s);
    describe(Frame3, u"Output folder"_s);
    describe(Text1, u"Output folder"_s);
    describe(PushButton7, u"Choose Output Folder"_s);
    describe(Option2, u"Save results in folder of original file"_s);
    describe(Combo2, u"Save as"_s,
             u"MP3 files, or M4B audio books (AAC) that more players show with chapters"_s);
    describe(Check3, u"One file per chapter"_s,
             u"Each book becomes a folder named after it holding a file per chapter"_s);
    describe(PushButton1, PushButton1->text());
    describe(ProgressBar1, u"Progress"_s);
    describe(PushButton9, u"Help"_s, u"Why the program asks to be left alone while it converts"_s);

    QWidget* order[] = {ListView1,      PushButton3,  PushButton4,  PushButton2, PushButton5,
                        Slider1,        Slider2,      PushButton14, Combo1,      Check2,
                        PusRefreshList, PusAddVoices, PushButton10, Option1,     Text1,
                        PushButton7,    Option2,      Check1,       Combo2,      Check3,
                        PushButton1,    PushButton9};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    // The row under the list comes right after it.
    setTabOrder(ListView1, PusChapters);
    setTabOrder(PusChapters, PusPronunciations);
    setTabOrder(PusPronunciations, PusPauses);

    PushButton3->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    PushButton4->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    PushButton1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    PushButton9->setShortcut(QKeySequence(Qt::Key_F1));
    new FocusRing(this);
    showFormat();
}

// The start button and what is said of the results name the format they
// are saved in.
void Form1::showFormat()
{
    const bool m4b = Combo2->currentIndex() == 1;
    const QString format = m4b ? u"M4B"_s : u"MP3"_s;
    const QString files = m4b ? u"M4B audio books"_s : u"MP3 files"_s;
    PushButton1->setText(u"Start Converting To "_s + format);
    describe(PushButton1, PushButton1->text(),
             m4b ? u"Converts every book in the list into an M4B audio book"_s
                 : u"Converts every book in the list into an MP3 file"_s);
    Text1->setAccessibleDescription(u"The folder the "_s + files + u" are saved into"_s);
    Check1->setAccessibleName(u"Write title, author, cover and chapters into the "_s + files);
}

} // namespace vt
