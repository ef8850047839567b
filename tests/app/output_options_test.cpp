#include "app_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace vt::test
{

TEST_F(AppTest, OptionClicksStoreBothAndSwitchTheFolderBox)
{
    auto form = loadedForm();
    form->controls().Option2->click();
    EXPECT_FALSE(form->controls().Frame3->isEnabled());
    EXPECT_FALSE(form->controls().Text1->isEnabled());
    EXPECT_FALSE(form->controls().PushButton7->isEnabled());
    EXPECT_EQ(stored(key::Option1), u"False"_s);
    EXPECT_EQ(stored(key::Option2), u"True"_s);
    form->controls().Option1->click();
    EXPECT_TRUE(form->controls().Frame3->isEnabled());
    EXPECT_EQ(stored(key::Option1), u"True"_s);
    EXPECT_EQ(stored(key::Option2), u"False"_s);
}

TEST_F(AppTest, TheTagsBoxStartsOnAndKeepsItsChoice)
{
    auto form = loadedForm();
    EXPECT_TRUE(form->controls().Check1->isChecked());
    EXPECT_FALSE(form->controls().Check1->accessibleName().isEmpty());
    form->controls().Check1->click();
    EXPECT_EQ(stored(key::Tags), u"False"_s);
    form = loadedForm();
    EXPECT_FALSE(form->controls().Check1->isChecked());
}

// The start button and what a screen reader hears of the results name the
// format chosen, from the start on and at every change.
TEST_F(AppTest, TheStartButtonNamesTheChosenFormat)
{
    store(key::Format, u"m4b"_s);
    auto form = loadedForm();
    const Form1Controls& c = form->controls();
    const auto says = [&](const QString& format, const QString& files) {
        EXPECT_EQ(c.PushButton1->text(), u"Start Converting To "_s + format);
        EXPECT_EQ(c.PushButton1->accessibleName(), c.PushButton1->text());
        EXPECT_TRUE(c.PushButton1->accessibleDescription().contains(format));
        EXPECT_TRUE(c.Text1->accessibleDescription().contains(files));
        EXPECT_TRUE(c.Check1->accessibleName().endsWith(files));
    };
    says(u"M4B"_s, u"M4B audio books"_s);
    QTest::keyClick(c.Combo2, Qt::Key_Up);
    EXPECT_EQ(stored(key::Format), u"mp3"_s);
    says(u"MP3"_s, u"MP3 files"_s);
}

TEST_F(AppTest, EveryKeystrokeInTheFolderBoxIsStored)
{
    auto form = loadedForm();
    form->controls().Text1->clear();
    EXPECT_EQ(stored(key::Text1), QString());
    QTest::keyClicks(form->controls().Text1, u"/mu"_s);
    EXPECT_EQ(stored(key::Text1), u"/mu"_s);
    form = loadedForm();
    EXPECT_EQ(form->controls().Text1->text(), u"/mu"_s);
}

TEST_F(AppTest, TheFolderPickerFillsTheFolderBox)
{
    QStringList calls;
    QString answer;
    Form1* self = nullptr;
    Form1::Services services;
    services.browseFolder = [&](QWidget* owner, const QString& prompt, const QString& start) {
        EXPECT_EQ(owner, self);
        calls.append(prompt + u'|' + start);
        return answer;
    };
    auto form = loadedForm(services);
    self = form.get();
    form->controls().Text1->setText(u"/before/"_s);

    form->controls().PushButton7->click(); // cancelled
    EXPECT_EQ(calls, QStringList{u"Please select folder:|"_s});
    EXPECT_EQ(form->controls().Text1->text(), u"/before/"_s);
    EXPECT_FALSE(isStored(key::LastFolderDot));

    store(key::LastFolder, u"/books"_s);
    answer = u"/"_s;
    form->controls().PushButton7->click();
    EXPECT_EQ(calls.last(), u"Please select folder:|/books"_s);
    EXPECT_EQ(form->controls().Text1->text(), u"/"_s);
    EXPECT_EQ(stored(key::LastFolderDot), u"/"_s);
    EXPECT_EQ(stored(key::Text1), u"/"_s);

    answer = u"/home/reader/Audio Books"_s;
    form->controls().PushButton7->click();
    EXPECT_EQ(form->controls().Text1->text(), u"/home/reader/Audio Books/"_s);
    EXPECT_EQ(stored(key::Text1), u"/home/reader/Audio Books/"_s);
    EXPECT_EQ(stored(key::LastFolderDot), u"/home/reader/Audio Books"_s);
    EXPECT_EQ(stored(key::LastFolder), u"/books"_s); // only the folder scan writes it
}

} // namespace vt::test
