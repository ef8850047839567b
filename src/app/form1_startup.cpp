#include "app/book_list_view.h"
#include "app/form1.h"
#include "app/hand_cursor.h"
#include "booklist/samples.h"
#include "common/startup.h"
#include "common/step_guard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// A slider refuses a value outside its range, as the form's slider does.
void setSliderValue(QSlider* slider, int value)
{
    if (value < slider->minimum() || value > slider->maximum())
        raise(380, u"Invalid property value"_s);
    const QSignalBlocker quiet(slider);
    slider->setValue(value);
}

} // namespace

bool Form1::Form_Load()
{
    StepGuard g(errorBox(), u"Form1.Form_Load"_s);
    g.step(100, [&] { ApplySkin(); });
    g.step(102, [&] { loadHandCursor(); });
    g.step(104, [&] {
        OpenVendorPageSometimes(services_.randomDraw, [](const QString& address) {
            QDesktopServices::openUrl(QUrl(address));
        });
    });
    if (g.test(106, [&] { return settings_.text(key::Snapshot).isEmpty(); }))
        g.step(108, [&] { SaveSamplesSnapshot(settings_); });
    g.step(110, [&] { setWindowTitle(u"Vellumtone"_s); });
    g.step(112, [&] { SetApplicationTitle(); });

    // Without a voice list there is nothing to speak with: the window is
    // never shown and the process ends.
    bool voices = false;
    g.step(114, [&] { voices = services_.loadVoiceList(*this, settings_); });
    if (!voices) {
        showMessage(kNoVoicesMessage);
        return false;
    }
    g.step(115, [&] { Check2->setChecked(settings_.boolean(key::MatchLanguage)); });

    g.step(116, [&] { setSliderValue(Slider1, settings_.number(key::VolumeLevel)); });
    g.step(118, [&] { setSliderValue(Slider2, settings_.number(key::SpeechRate)); });
    g.step(120,
           [&] { lblVolume->setText(u"Volume Level = "_s + QString::number(Slider1->value())); });
    g.step(122,
           [&] { lblSpeed->setText(u"Speech Rate = "_s + QString::number(Slider2->value())); });
    g.step(124, [&] {
        const QSignalBlocker quiet(Text1);
        Text1->setText(settings_.text(key::Text1));
    });
    g.step(126, [&] {
        ListView1->setHeaderLabels({u"EPUB File(s)"_s});
        ListView1->setColumnWidth(0, qRound(7000 / 15.0));
    });
    g.step(128, [&] { Option1->setChecked(settings_.boolean(key::Option1)); });
    g.step(130, [&] { Option2->setChecked(settings_.boolean(key::Option2)); });
    g.step(132, [&] { Frame3->setEnabled(Option1->isChecked()); });
    g.step(133, [&] {
        Check1->setChecked(settings_.boolean(key::Tags));
        Combo2->setCurrentIndex(settings_.text(key::Format) == u"m4b"_s ? 1 : 0);
        Check3->setChecked(settings_.boolean(key::SplitChapters));
    });
    g.step(134, [&] { setTimerEnabled(false); });
    g.step(136, [&] {
        if (const QString problem = CheckTempFolder(); !problem.isEmpty())
            showMessage(problem);
    });
    return true;
}

void Form1::loadHandCursor()
{
    const QString file = programFile(u"HAND-M.CUR"_s);
    if (!file.isEmpty())
        customCursor_ = LoadCursorFile(file, Qt::PointingHandCursor);
}

} // namespace vt
