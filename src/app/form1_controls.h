#pragma once

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;

namespace vt
{

class BookListView;
class CaptionedProgressBar;

// The controls of the main window, named as on the form. The window owns
// them (as their parent); only it and the tests that drive it reach them.
struct Form1Controls {
    BookListView* ListView1 = nullptr;
    QPushButton* PushButton1 = nullptr;
    QPushButton* PushButton2 = nullptr;
    QPushButton* PushButton3 = nullptr;
    QPushButton* PushButton4 = nullptr;
    QPushButton* PushButton5 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QSlider* Slider1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblVolume = nullptr;
    QLabel* Label3 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QSlider* Slider2 = nullptr;
    QPushButton* PushButton14 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* lblSpeed = nullptr;
    QLabel* Label5 = nullptr;
    QGroupBox* FraVoiceUsed = nullptr;
    QComboBox* Combo1 = nullptr;
    QPushButton* PusRefreshList = nullptr;
    QPushButton* PusAddVoices = nullptr;
    QPushButton* PushButton10 = nullptr;
    QCheckBox* Check2 = nullptr; // "Match each book's language"
    QGroupBox* Frame5 = nullptr;
    QRadioButton* Option1 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* PushButton7 = nullptr;
    QRadioButton* Option2 = nullptr;
    QCheckBox* Check1 = nullptr;
    QLabel* Label7 = nullptr;    // "Save as:"
    QComboBox* Combo2 = nullptr; // MP3 or M4B
    QCheckBox* Check3 = nullptr; // "One file per chapter"

    // What the listener decides, in a row under the list.
    QPushButton* PusChapters = nullptr; // of the book selected in the list
    QPushButton* PusPronunciations = nullptr;
    QPushButton* PusPauses = nullptr;

    CaptionedProgressBar* ProgressBar1 = nullptr;
    QPushButton* PushButton9 = nullptr;
    QTimer* Timer1 = nullptr;
};

} // namespace vt
