#include "app_fixture.h"
#include "common/error.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

using namespace Qt::StringLiterals;

namespace vt::test
{
namespace
{

// A point on a slider's track, right of its handle.
QPoint trackRightOfHandle(const QSlider* slider)
{
    QStyleOptionSlider opt;
    opt.initFrom(slider);
    opt.tickPosition = slider->tickPosition();
    const QRect groove =
        slider->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, slider);
    return {groove.right() - 2, groove.center().y()};
}

} // namespace

TEST_F(AppTest, EveryAcceptedSliderChangeIsStoredAtOnce)
{
    auto form = loadedForm();
    form->controls().Slider1->setValue(40);
    EXPECT_EQ(form->controls().lblVolume->text(), u"Volume Level = 40"_s);
    EXPECT_EQ(stored(key::VolumeLevel), u"40"_s);
    QTest::keyClick(form->controls().Slider2, Qt::Key_Left);
    EXPECT_EQ(form->controls().Slider2->value(), -4);
    EXPECT_EQ(form->controls().lblSpeed->text(), u"Speech Rate = -4"_s);
    EXPECT_EQ(stored(key::SpeechRate), u"-4"_s);
    EXPECT_TRUE(boxes.shown.isEmpty());
}

TEST_F(AppTest, ASliderMovedWhileBusyGoesBackToTheStoredValue)
{
    store(key::VolumeLevel, u"70"_s);
    auto form = loadedForm();
    form->setBusy(true);
    QTest::keyClick(form->controls().Slider1, Qt::Key_PageUp);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text, u"You can not adjust because file is being saved now."_s);
    EXPECT_EQ(boxes.shown[0].title, u"Vellumtone"_s);
    EXPECT_EQ(boxes.shown[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(boxes.shown[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(form->controls().Slider1->value(), 70);
    EXPECT_EQ(form->controls().lblVolume->text(), u"Volume Level = 70"_s);
    EXPECT_EQ(stored(key::VolumeLevel), u"70"_s);

    // With nothing stored the speed goes back to its default.
    form->controls().Slider2->setValue(8);
    EXPECT_EQ(boxes.shown.size(), 2);
    EXPECT_EQ(form->controls().Slider2->value(), -3);
    EXPECT_EQ(form->controls().lblSpeed->text(), u"Speech Rate = -3"_s);
    EXPECT_FALSE(isStored(key::SpeechRate));
}

// A press held on the track while busy: the slider's own auto-repeat must not
// open box after box, and the slider stays where it was.
TEST_F(AppTest, APressHeldOnASliderWhileBusyIsRefusedOnce)
{
    store(key::VolumeLevel, u"70"_s);
    auto form = loadedForm();
    form->show();
    // The last press was held since before the run: it stops at its first refusal.
    for (QSlider* slider :
         {form->controls().Slider1, form->controls().Slider2, form->controls().Slider1}) {
        const QPoint track = trackRightOfHandle(slider);
        form->setBusy(boxes.shown.size() < 2);
        QTest::mousePress(slider, Qt::LeftButton, {}, track);
        form->setBusy(true);
        QTest::qWait(1200); // the auto-repeat starts after half a second
        QTest::mouseRelease(slider, Qt::LeftButton, {}, track);
    }
    EXPECT_EQ(boxes.texts(),
              QStringList(3, u"You can not adjust because file is being saved now."_s));
    EXPECT_EQ(form->controls().Slider1->value(), 75); // the step taken before the run
    EXPECT_EQ(form->controls().Slider2->value(), -3);
    EXPECT_FALSE(isStored(key::SpeechRate));
}

TEST_F(AppTest, TestSpeedSpeaksOnceEvenWhenClickedAgainWhileSpeaking)
{
    QStringList spoken;
    Form1* self = nullptr;
    Form1::Services services;
    services.saveToWav = [&](const QString& source, const QString& wavPath, const SpeakSettings&,
                             const SpeechCalls&) {
        spoken.append(source + u'|' + wavPath);
        EXPECT_TRUE(self->busy());
        EXPECT_EQ(self->pointer(), Pointer::Hourglass);
        self->controls().PushButton14->click(); // a second click while the sentence is spoken
        self->controls().PushButton1->click();  // and no run can start meanwhile
    };
    auto form = loadedForm(services);
    self = form.get();
    form->controls().PushButton14->click();
    EXPECT_EQ(spoken, QStringList{u"This is a test|"_s});
    EXPECT_FALSE(form->busy());
    EXPECT_EQ(form->pointer(), Pointer::Default);
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(u" | "_s).toStdString();
}

// With the real engine the sentence is spoken, or fails for want of an audio
// output; either way the window comes back to rest.
TEST_F(AppTest, TestSpeedWithTheRealEngineEndsAtRest)
{
    auto form = loadedForm();
    form->controls().PushButton14->click();
    EXPECT_FALSE(form->busy());
    EXPECT_EQ(form->pointer(), Pointer::Default);
}

TEST_F(AppTest, ChoosingAVoiceStoresItsPosition)
{
    auto form = loadedForm();
    ASSERT_GE(form->controls().Combo1->count(), 3);
    form->controls().Combo1->setCurrentIndex(2);
    EXPECT_EQ(stored(key::Combo), u"2"_s);
    EXPECT_EQ(form->controls().Combo1->currentIndex(), 2);
    form->setVoiceIndex(-1);
    EXPECT_EQ(stored(key::Combo), u"-1"_s);
    EXPECT_THROW(form->setVoiceIndex(-2), Error);
    EXPECT_THROW(form->setVoiceIndex(form->controls().Combo1->count()), Error);
}

TEST_F(AppTest, MatchEachBooksLanguageIsStoredAndRestored)
{
    auto form = loadedForm();
    EXPECT_TRUE(form->controls().Check2->isChecked()); // on for new users
    form->controls().Check2->click();
    EXPECT_FALSE(form->controls().Check2->isChecked());
    EXPECT_EQ(stored(key::MatchLanguage), u"False"_s);
    EXPECT_FALSE(loadedForm()->controls().Check2->isChecked());
}

TEST_F(AppTest, RefreshListRefillsAndRestoresTheChoice)
{
    auto form = loadedForm();
    const int voices = form->controls().Combo1->count();
    form->controls().Combo1->setCurrentIndex(1);
    form->controls().PusRefreshList->click();
    EXPECT_EQ(form->controls().Combo1->count(), voices);
    EXPECT_EQ(form->controls().Combo1->currentIndex(), 1);
    EXPECT_EQ(boxes.texts(),
              QStringList{u"Done.\n\nList has been refreshed with the latest voices found within "
                          u"the espeak-ng and Flite speech engines installed on this computer."_s});
    EXPECT_EQ(boxes.shown[0].icon, QMessageBox::NoIcon);
}

TEST_F(AppTest, AddVoicesAndAddLangOpenTheirPagesOnlyOnYes)
{
    auto form = loadedForm();
    form->controls().PusAddVoices->click();
    form->controls().PushButton10->click();
    EXPECT_TRUE(OpenedPages::urls().isEmpty());
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_EQ(boxes.shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(boxes.shown[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(boxes.shown[0].text,
              u"This software uses the espeak-ng and Flite speech engines (TTS) as its "
              u"backbone. If you would like to add voices, you need to:\n\n1. Download them "
              u"from the web.\n2. Install them with your system's package manager (espeak-ng's "
              u"voices come in the package espeak-ng-data, Flite's in libflite1).\n3. Click the "
              u"'Refresh List' button in this software.\n\nWould you like to see the voices "
              u"available for download on the web?"_s);
    EXPECT_EQ(boxes.shown[1].text,
              u"This software uses the espeak-ng speech engine (TTS) as its backbone. If you "
              u"would like to add languages, you need download and install them.\n\nWould you "
              u"like to open the espeak-ng languages page now?"_s);

    boxes.answers = {QMessageBox::Yes, QMessageBox::Yes};
    form->controls().PusAddVoices->click();
    form->controls().PushButton10->click();
    ASSERT_EQ(OpenedPages::urls().size(), 2);
    EXPECT_EQ(OpenedPages::urls()[0].toEncoded(),
              QByteArray("https://duckduckgo.com/?q=espeak-ng%20flite%20voices"));
    EXPECT_EQ(OpenedPages::urls()[1].toString(),
              u"https://github.com/espeak-ng/espeak-ng/blob/master/docs/languages.md"_s);
}

} // namespace vt::test
