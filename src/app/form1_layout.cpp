#include "app/book_list_view.h"
#include "app/captioned_progress_bar.h"
#include "app/combo_box_accessible.h"
#include "app/form1.h"
#include "app/window_observer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// The form is laid out in twips: 15 make one pixel at 96 dpi, and Qt scales
// pixels for denser screens.
int px(int twips)
{
    return qRound(twips / 15.0);
}

QFont arial(double points, bool bold)
{
    QFont font(u"Arial"_s);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

template <class W>
W* place(W* widget, const QString& name, int left, int top, int width, int height)
{
    widget->setObjectName(name);
    widget->setGeometry(px(left), px(top), px(width), px(height));
    return widget;
}

// Bold Arial 11.25 pt; a caption wider than its button gets a smaller size
// rather than being cut off.
QPushButton* button(QWidget* parent, const QString& caption, const QString& name, int left, int top,
                    int width, int height)
{
    auto* b = place(new QPushButton(caption, parent), name, left, top, width, height);
    QFont font = arial(11.25, true);
    const int room = b->width() - 8;
    while (QFontMetrics(font).horizontalAdvance(caption) > room && font.pointSizeF() > 7)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    b->setFont(font);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QGroupBox* frame(QWidget* parent, const QString& caption, const QString& name, int left, int top,
                 int width, int height)
{
    auto* f = place(new QGroupBox(caption, parent), name, left, top, width, height);
    f->setFont(arial(9, true));
    return f;
}

// Bold Arial 9 pt; a label grows to show its whole text.
QLabel* label(QWidget* parent, const QString& caption, const QString& name, int left, int top,
              int width, int height)
{
    auto* l = place(new QLabel(caption, parent), name, left, top, width, height);
    l->setFont(arial(9, true));
    l->resize(std::max(l->width(), l->sizeHint().width()),
              std::max(l->height(), l->sizeHint().height()));
    return l;
}

QSlider* slider(QWidget* parent, const QString& name, int left, int top, int width, int height,
                int minimum, int maximum)
{
    auto* s = place(new QSlider(Qt::Horizontal, parent), name, left, top, width, height);
    s->setRange(minimum, maximum);
    s->setSingleStep(1);
    s->setPageStep(5);
    s->setTickInterval(1);
    s->setTickPosition(QSlider::TicksBelow);
    // A change counts when the handle is let go, not at every pixel of a drag.
    s->setTracking(false);
    return s;
}

QRadioButton* option(QWidget* parent, const QString& caption, const QString& name, int left,
                     int top, int width, int height)
{
    auto* o = place(new QRadioButton(caption, parent), name, left, top, width, height);
    o->setFont(arial(9, true));
    return o;
}

} // namespace

void Form1::createControls()
{
    setObjectName(u"Form1"_s);
    setWindowTitle(u"Vellumtone"_s);
    // The design's size shows every control; the window may grow from it, or
    // shrink to fit a smaller screen (Form1::fitToScreen).
    resize(px(15960), px(6225));
    setMinimumSize(size());
    setFont(arial(9, false));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    ListView1 = place(new BookListView(this), u"ListView1"_s, 120, 120, 7800, 4445);
    // What the listener decides, in one row under the list.
    PusChapters = button(this, u"Chapters…"_s, u"PusChapters"_s, 120, 4660, 2520, 405);
    PusPronunciations =
        button(this, u"Pronunciations…"_s, u"PusPronunciations"_s, 2760, 4660, 2520, 405);
    PusPauses = button(this, u"Pauses…"_s, u"PusPauses"_s, 5400, 4660, 2520, 405);
    PushButton3 = button(this, u"Add EPUB Files"_s, u"PushButton3"_s, 120, 5180, 3840, 405);
    PushButton4 =
        button(this, u"Add All EPUB Files In Folder"_s, u"PushButton4"_s, 4080, 5180, 3840, 405);
    PushButton2 = button(this, u"Clear List"_s, u"PushButton2"_s, 120, 5700, 3840, 405);
    PushButton5 =
        button(this, u"Load Sample/Example Files"_s, u"PushButton5"_s, 4080, 5700, 3840, 405);

    Frame1 = frame(this, u"Volume Control"_s, u"Frame1"_s, 8040, 60, 7800, 1020);
    // Until start-up restores them, the sliders stand at the defaults.
    Slider1 = slider(Frame1, u"Slider1"_s, 240, 315, 7305, 315, 0, 100);
    Slider1->setValue(100);
    Label2 = label(Frame1, u"Min."_s, u"Label2"_s, 270, 720, 375, 195);
    lblVolume = label(Frame1, u"Volume Level = "_s, u"lblVolume"_s, 945, 675, 5835, 330);
    lblVolume->setAlignment(Qt::AlignCenter);
    Label3 = label(Frame1, u"Max."_s, u"Label3"_s, 7080, 720, 405, 225);

    Frame4 = frame(this, u"Speed of Speech"_s, u"Frame4"_s, 8040, 1120, 7800, 1020);
    Slider2 = slider(Frame4, u"Slider2"_s, 240, 270, 5745, 315, -10, 10);
    Slider2->setValue(-3);
    PushButton14 = button(Frame4, u"Test Speed"_s, u"PushButton14"_s, 6120, 270, 1440, 345);
    Label6 = label(Frame4, u"Slow"_s, u"Label6"_s, 225, 720, 615, 255);
    lblSpeed = label(Frame4, u"Speech Rate = "_s, u"lblSpeed"_s, 900, 675, 4395, 330);
    lblSpeed->setAlignment(Qt::AlignCenter);
    Label5 = label(Frame4, u"Fast"_s, u"Label5"_s, 5640, 720, 360, 225);

    // The voice box takes the frame's width, so that the longest voice names
    // ("English (United States) – kal, male, 8 kHz (Flite)") show whole; its
    // buttons stand in the row below, beside the check box.
    FraVoiceUsed = frame(this, u"Voice Used"_s, u"FraVoiceUsed"_s, 8040, 2190, 7800, 1005);
    Combo1 = place(new QComboBox(FraVoiceUsed), u"Combo1"_s, 240, 270, 7320, 345);
    Combo1->setFont(arial(9, false));
    Combo1->setEditable(false);
    PusRefreshList =
        button(FraVoiceUsed, u"Refresh List"_s, u"PusRefreshList"_s, 3360, 630, 1440, 330);
    PusAddVoices = button(FraVoiceUsed, u"Add Voices"_s, u"PusAddVoices"_s, 4920, 630, 1320, 330);
    PushButton10 = button(FraVoiceUsed, u"Add Lang"_s, u"PushButton10"_s, 6360, 630, 1200, 330);
    Check2 = place(new QCheckBox(u"Match each book's language"_s, FraVoiceUsed), u"Check2"_s, 240,
                   675, 3000, 255);
    Check2->setFont(arial(9, true));

    Frame5 = frame(this, u"Save Option"_s, u"Frame5"_s, 8040, 3240, 7800, 1815);
    Option1 = option(Frame5, u"Save results to this folder:"_s, u"Option1"_s, 240, 300, 3615, 255);
    Frame3 = frame(Frame5, QString(), u"Frame3"_s, 480, 510, 6840, 690);
    Text1 = place(new QLineEdit(Frame3), u"Text1"_s, 240, 300, 5670, 345);
    Text1->setFont(arial(9, false));
    PushButton7 = button(Frame3, u"..."_s, u"PushButton7"_s, 6000, 300, 600, 345);
    Option2 = option(Frame5, u"Save results in folder of original file"_s, u"Option2"_s, 240, 1245,
                     3615, 255);
    Check1 = place(new QCheckBox(u"Write title, author, cover and chapters"_s, Frame5), u"Check1"_s,
                   240, 1515, 3615, 255);
    Check1->setFont(arial(9, true));
    Check1->setChecked(true);
    Label7 = label(Frame5, u"Save as:"_s, u"Label7"_s, 4080, 1260, 720, 255);
    Combo2 = place(new QComboBox(Frame5), u"Combo2"_s, 4920, 1200, 2640, 315);
    Combo2->setFont(arial(9, false));
    Combo2->addItems({u"MP3"_s, u"M4B audiobook (AAC)"_s});
    FollowComboBoxChoice(Combo1);
    FollowComboBoxChoice(Combo2);
    Label7->setBuddy(Combo2);
    Check3 =
        place(new QCheckBox(u"One file per chapter"_s, Frame5), u"Check3"_s, 4080, 1515, 3480, 255);
    Check3->setFont(arial(9, true));

    PushButton1 =
        button(this, u"Start Converting To MP3"_s, u"PushButton1"_s, 8040, 5180, 7800, 405);
    ProgressBar1 = place(new CaptionedProgressBar(this), u"ProgressBar1"_s, 8040, 5700, 7320, 405);
    ProgressBar1->setCaptionFont(arial(9, true));
    setProgressCaption(kIdleCaption);
    PushButton9 = button(this, u"?"_s, u"PushButton9"_s, 15480, 5700, 360, 405);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);

    // The hand and arrow pointers follow the mouse over these.
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(Frame1),
                       static_cast<QWidget*>(Frame3), static_cast<QWidget*>(Frame4),
                       static_cast<QWidget*>(Frame5), static_cast<QWidget*>(Text1),
                       static_cast<QWidget*>(PushButton1), static_cast<QWidget*>(PushButton2),
                       static_cast<QWidget*>(PushButton3), static_cast<QWidget*>(PushButton4),
                       static_cast<QWidget*>(PushButton5), static_cast<QWidget*>(PushButton7),
                       static_cast<QWidget*>(PushButton9), static_cast<QWidget*>(PushButton10)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    // A slider refuses presses while busy (Form1::refusedSliderInput).
    Slider1->installEventFilter(this);
    Slider2->installEventFilter(this);
}

void Form1::connectControls()
{
    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
    connect(PushButton9, &QPushButton::clicked, this, &Form1::PushButton9_Click);
    connect(PushButton10, &QPushButton::clicked, this, &Form1::PushButton10_Click);
    connect(PushButton14, &QPushButton::clicked, this, &Form1::PushButton14_Click);
    connect(PusAddVoices, &QPushButton::clicked, this, &Form1::PusAddVoices_Click);
    connect(PusRefreshList, &QPushButton::clicked, this, &Form1::PusRefreshList_Click);
    connect(Slider1, &QSlider::valueChanged, this, &Form1::Slider1_Change);
    connect(Slider2, &QSlider::valueChanged, this, &Form1::Slider2_Change);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &Form1::Combo1_Click);
    connect(Combo1, &QComboBox::activated, this, &Form1::Combo1_Click);
    connect(Check2, &QCheckBox::clicked, this, &Form1::Check2_Click);
    connect(Option1, &QRadioButton::clicked, this, &Form1::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &Form1::Option2_Click);
    connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(Check1, &QCheckBox::clicked, this, &Form1::Check1_Click);
    connect(Combo2, &QComboBox::activated, this, &Form1::Combo2_Click);
    connect(Combo2, &QComboBox::currentIndexChanged, this, &Form1::showFormat);
    connect(Check3, &QCheckBox::clicked, this, &Form1::Check3_Click);
    connect(PusChapters, &QPushButton::clicked, this, &Form1::PusChapters_Click);
    connect(PusPronunciations, &QPushButton::clicked, this, &Form1::PusPronunciations_Click);
    connect(PusPauses, &QPushButton::clicked, this, &Form1::PusPauses_Click);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
}

} // namespace vt
