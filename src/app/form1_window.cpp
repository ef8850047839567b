#include "app/book_list_view.h"
#include "app/captioned_progress_bar.h"
#include "app/form1.h"
#include "common/error.h"
#include "common/startup.h"
#include "pipeline/conversion_run.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace vt
{

void Form1::yieldOnce()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void Form1::setProgressValue(double value)
{
    progressValue_ = value;
    // Rounded down: the bar shows 100 only when the run is through.
    const double shown = std::isfinite(value) ? std::clamp(value, 0.0, 100.0) : 0.0;
    ProgressBar1->setValue(static_cast<int>(std::floor(shown + 1e-9)));
}

void Form1::setProgressCaption(const QString& caption)
{
    progressCaption_ = caption;
    ProgressBar1->setCaption(caption);
    ProgressBar1->setAccessibleDescription(caption); // what a screen reader reads of the bar
}

QCursor Form1::cursorFor(Pointer p) const
{
    switch (p) {
    case Pointer::Hourglass:
        return QCursor(Qt::WaitCursor);
    case Pointer::Custom:
        return customCursor_;
    case Pointer::Default:
        break;
    }
    return QCursor(Qt::ArrowCursor);
}

void Form1::setPointer(Pointer p)
{
    pointer_ = p;
    setCursor(cursorFor(p));
}

int Form1::rowCount() const
{
    return ListView1->topLevelItemCount();
}

QString Form1::rowText(int row) const
{
    const QTreeWidgetItem* item = ListView1->topLevelItem(row - 1);
    if (!item)
        vt::raise(35600, u"Index out of bounds"_s);
    return item->text(0);
}

void Form1::appendRow(const QString& text)
{
    ListView1->appendRow(text);
}

SpeakSettings Form1::speakSettings() const
{
    const int index = Combo1->currentIndex();
    SpeakSettings settings;
    if (index >= 0 && index < voices_.size())
        settings.voice = voices_.at(index);
    settings.volume = Slider1->value();
    settings.rate = Slider2->value();
    return settings;
}

void Form1::setTimerInterval(int milliseconds)
{
    Timer1->setInterval(milliseconds);
}

void Form1::setTimerEnabled(bool enabled)
{
    if (enabled)
        Timer1->start();
    else
        Timer1->stop();
}

bool Form1::timerEnabled() const
{
    return Timer1->isActive();
}

void Form1::repaint()
{
    QWidget::repaint();
}

// The voice list is filled without firing its handlers; only the restored
// choice is handled, as a user's choice would be.
void Form1::clearVoices()
{
    const QSignalBlocker quiet(Combo1);
    Combo1->clear();
    voices_.clear();
}

void Form1::addVoice(const VoiceToken& voice)
{
    const QSignalBlocker quiet(Combo1);
    Combo1->addItem(voice.GetDescription());
    voices_.append(voice);
    Combo1->setCurrentIndex(-1);
}

int Form1::voiceCount() const
{
    return Combo1->count();
}

void Form1::setVoiceIndex(int index)
{
    if (index < -1 || index >= Combo1->count())
        vt::raise(380, u"Invalid property value"_s);
    {
        const QSignalBlocker quiet(Combo1);
        Combo1->setCurrentIndex(index);
    }
    Combo1_Click();
}

// The arrow over the window, its frames and the folder box; the hand over
// the push buttons; neither while the hourglass shows.
bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Slider1 || watched == Slider2)
        return refusedSliderInput(watched, event) || QWidget::eventFilter(watched, event);
    if (event->type() != QEvent::MouseMove || pointer_ == Pointer::Hourglass)
        return QWidget::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    const auto* move = static_cast<QMouseEvent*>(event);
    // A move that reached a frame or the window from a control on it
    // belongs to that control.
    if (!widget || widget->childAt(move->position().toPoint()))
        return QWidget::eventFilter(watched, event);
    if (qobject_cast<QPushButton*>(widget))
        setPointer(Pointer::Custom);
    else
        setPointer(Pointer::Default);
    return QWidget::eventFilter(watched, event);
}

// Closing ends the process at once, a run and the tool it waits for
// included; the run's unfinished result and working files go with it.
void Form1::closeEvent(QCloseEvent* event)
{
    AbandonRun();
    services_.endProcess();
    event->accept();
}

} // namespace vt
