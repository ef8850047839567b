#include "app/form1.h"
#include "common/step_guard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

using namespace Qt::StringLiterals;

namespace vt
{

void Form1::Option1_Click()
{
    optionClicked();
}

void Form1::Option2_Click()
{
    optionClicked();
}

// Both options are stored, and the folder box is usable only while results
// go into it.
void Form1::optionClicked()
{
    settings_.setBoolean(key::Option1, Option1->isChecked());
    settings_.setBoolean(key::Option2, Option2->isChecked());
    Frame3->setEnabled(Option1->isChecked());
}

// Whether finished books get their title, authors, cover and chapters.
void Form1::Check1_Click()
{
    settings_.setBoolean(key::Tags, Check1->isChecked());
}

// What books become: MP3 files or M4B audio books.
void Form1::Combo2_Click()
{
    settings_.setText(key::Format, Combo2->currentIndex() == 1 ? u"m4b"_s : u"mp3"_s);
}

// Whether each book becomes a folder of a file per chapter.
void Form1::Check3_Click()
{
    settings_.setBoolean(key::SplitChapters, Check3->isChecked());
}

// Every change is stored as it stands; the run checks the folder.
void Form1::Text1_Change()
{
    settings_.setText(key::Text1, Text1->text());
}

void Form1::PushButton7_Click()
{
    StepGuard g(errorBox(), u"Form1.PushButton7_Click"_s);
    QString start;
    g.step(100, [&] { start = settings_.text(key::LastFolder); });
    g.step(102, [&] {
        pickFolder(start, [this](const QString& chosen) { outputFolderChosen(chosen); });
    });
}

void Form1::outputFolderChosen(const QString& chosen)
{
    if (chosen.isEmpty())
        return;
    StepGuard g(errorBox(), u"Form1.PushButton7_Click"_s);
    g.step(104, [&] { settings_.setText(key::LastFolderDot, chosen); });
    g.step(106, [&] { Text1->setText(chosen.endsWith(u'/') ? chosen : chosen + u'/'); });
}

// Results that go into a folder that does not exist: the folder is offered
// to be made (a typed one, or one removed since it was chosen). Declined or
// impossible, the run is refused as the design refuses it.
bool Form1::madeOutputFolder()
{
    const QString folder = Text1->text();
    if (folder.isEmpty() || QDir::isRelativePath(folder)) {
        showMessage(u"Folder does not exist. Please select another folder."_s);
        return false;
    }
    const QString question = u"Folder does not exist. Please select another folder.\n\n"
                             u"Or make the folder\n"_s +
                             folder + u"\nnow and save the results there?"_s;
    if (showMessage(question, Buttons::YesNo) != Answer::Yes)
        return false;
    if (QDir().mkpath(folder))
        return true;
    showMessage(u"The folder\n"_s + folder +
                u"\ncould not be made (is its place write-protected?). Please select another "
                u"folder."_s);
    return false;
}

} // namespace vt
