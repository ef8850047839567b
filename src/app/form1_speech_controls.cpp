#include "app/form1.h"
#include "common/step_guard.h"
#include "speech/sp_voice.h"
#include "speech/speech_rendering.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSlider>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

const QString kVoiceSearch = u"https://duckduckgo.com/?q=espeak-ng%20flite%20voices"_s;
const QString kLanguagePage =
    u"https://github.com/espeak-ng/espeak-ng/blob/master/docs/languages.md"_s;

} // namespace

void Form1::sliderChanged(QSlider* slider, QLabel* label, const char* key, const QString& caption,
                          const QString& location)
{
    StepGuard g(errorBox(), location);
    if (g.test(100, [&] { return busy_; })) {
        refuseSliderChange(g, slider, key);
        return;
    }
    g.step(106, [&] { label->setText(caption + QString::number(slider->value())); });
    g.step(108, [&] { settings_.setNumber(key, slider->value()); });
    // A voice that is speaking takes the new value too.
    g.step(110, [&] {
        if (SpVoice* voice = LiveVoice()) {
            if (slider == Slider1)
                voice->setVolume(slider->value());
            else
                voice->setRate(slider->value());
        }
    });
}

// A run keeps one volume and one rate from its first piece to its last: the
// slider goes back to the value in force. The message is shown once however
// often the slider steps meanwhile (its auto-repeat, or a step made while the
// message is open), and the slider stops stepping.
void Form1::refuseSliderChange(StepGuard& g, QSlider* slider, const char* key)
{
    const bool alreadyShown = refusing_;
    refusing_ = true;
    // A press held since before the run ends here, and with it the stepping.
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(), QPointF(), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(slider, &release);
    // Beside a run the message does not wait, so the one still open counts.
    if (!alreadyShown && !refusal_)
        g.step(102, [&] {
            const QString text = u"You can not adjust because file is being saved now."_s;
            if (runInProgress())
                refusal_ = showBoxBeside(text, Icon::None, {});
            else
                showMessage(text);
        });
    g.step(104, [&] {
        const int stored = settings_.number(key);
        if (stored < slider->minimum() || stored > slider->maximum())
            vt::raise(380, u"Invalid property value"_s);
        const QSignalBlocker quiet(slider);
        slider->setValue(stored);
    });
    refusing_ = alreadyShown;
}

// While busy a press (or the wheel) on a slider is refused before the slider
// acts on it: a press on the track would otherwise step the slider again and
// again while the message holds the mouse.
bool Form1::refusedSliderInput(QObject* watched, QEvent* event)
{
    auto* slider = qobject_cast<QSlider*>(watched);
    if (!slider || (slider != Slider1 && slider != Slider2))
        return false;
    const QEvent::Type type = event->type();
    if (!busy_ || (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
                   type != QEvent::Wheel))
        return false;
    event->accept();
    const bool volume = slider == Slider1;
    StepGuard g(errorBox(), volume ? u"Form1.Slider1_Change"_s : u"Form1.Slider2_Change"_s);
    refuseSliderChange(g, slider, volume ? key::VolumeLevel : key::SpeechRate);
    return true;
}

void Form1::Slider1_Change()
{
    sliderChanged(Slider1, lblVolume, key::VolumeLevel, u"Volume Level = "_s,
                  u"Form1.Slider1_Change"_s);
}

void Form1::Slider2_Change()
{
    sliderChanged(Slider2, lblSpeed, key::SpeechRate, u"Speech Rate = "_s,
                  u"Form1.Slider2_Change"_s);
}

void Form1::Combo1_Click()
{
    settings_.setNumber(key::Combo, Combo1->currentIndex());
}

void Form1::Check2_Click()
{
    settings_.setBoolean(key::MatchLanguage, Check2->isChecked());
}

// "Test Speed": the sentence is spoken aloud once; a click while it speaks
// finds Busy set and does nothing.
void Form1::PushButton14_Click()
{
    speakAloud(u"This is a test"_s, u"Form1.PushButton14_Click"_s);
}

void Form1::speakAloud(const QString& text, const QString& location)
{
    if (busy_)
        return;
    StepGuard g(errorBox(), location);
    g.step(100, [&] { setBusy(true); });
    g.step(102, [&] { setPointer(Pointer::Hourglass); });
    g.step(104, [&] { yieldOnce(); });
    g.step(106, [&] {
        services_.saveToWav(text, QString(), speakSettings(),
                            {errorBox(),
                             [this] { yieldOnce(); },
                             {},
                             {},
                             [this](const QString& e) {
                                 showMessage(e + u"\n\nPlease try selecting another voice "
                                                 u"from the dropdown."_s);
                             }});
    });
    g.step(108, [&] { setPointer(Pointer::Default); });
    g.step(110, [&] { setBusy(false); });
}

void Form1::PusRefreshList_Click()
{
    StepGuard g(errorBox(), u"Form1.PusRefreshList_Click"_s);
    bool refreshed = false;
    g.step(100, [&] {
        refreshed = services_.loadVoiceList(*this, settings_);
        if (!refreshed)
            showMessage(kNoVoicesMessage);
    });
    if (refreshed)
        g.step(102, [&] {
            showMessage(u"Done.\n\nList has been refreshed with the latest voices found within "
                        u"the espeak-ng and Flite speech engines installed on this computer."_s);
        });
}

void Form1::PusAddVoices_Click()
{
    askThenOpen(u"Form1.PusAddVoices_Click"_s,
                u"This software uses the espeak-ng and Flite speech engines (TTS) as its backbone. "
                u"If you would like to add voices, you need to:\n\n"
                u"1. Download them from the web.\n"
                u"2. Install them with your system's package manager (espeak-ng's voices come "
                u"in the package espeak-ng-data, Flite's in libflite1).\n"
                u"3. Click the 'Refresh List' button in this software.\n\n"
                u"Would you like to see the voices available for download on the web?"_s,
                kVoiceSearch);
}

void Form1::PushButton10_Click()
{
    askThenOpen(u"Form1.PushButton10_Click"_s,
                u"This software uses the espeak-ng speech engine (TTS) as its backbone. If you "
                u"would like to add languages, you need download and install them.\n\n"
                u"Would you like to open the espeak-ng languages page now?"_s,
                kLanguagePage);
}

// Asks a Yes/No question; Yes opens the page.
void Form1::askThenOpen(const QString& location, const QString& question, const QString& page)
{
    StepGuard g(errorBox(), location);
    g.step(100, [&] {
        ask(question, [this, location, page](Answer answer) {
            if (answer != Answer::Yes)
                return;
            StepGuard opened(errorBox(), location);
            opened.step(102, [&] { openWebPage(page); });
        });
    });
}

// A machine without a web browser is named as the reason nothing opens.
void Form1::openWebPage(const QString& address)
{
    if (!QDesktopServices::openUrl(QUrl(address)))
        showMessage(u"The page\n"_s + address +
                    u"\ncould not be opened: no web browser was found on this computer."_s);
}

} // namespace vt
