#pragma once

#include "common/settings.h"
#include "common/window_ports.h"
#include "speech/voice_catalogue.h"

#include <QCursor>
#include <QStringList>
#include <QWidget>
#include <functional>

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
class StepGuard;
class CaptionedProgressBar;

// The main window: every control of the program, the start-up sequence, the
// Busy flag and the pointer. The core reaches it only through WindowPort.
class Form1 : public QWidget, public WindowPort, public VoiceListPort
{
    Q_OBJECT
  public:
    // The outside services the window calls. The defaults are the real ones;
    // tests replace those that would need a person, a speaker or a new process.
    struct Services {
        std::function<bool(VoiceListPort&, bool, MessageBoxPort&, SettingsStore&)> loadVoiceList;
        std::function<void(const QString&, const QString&, WindowPort&)> saveToWav;
        std::function<QString(QWidget*, const QString&, const QString&)> browseFolder;
        std::function<double()> randomDraw; // uniform in [0, 1)
        std::function<void()> endProcess;   // called when the window closes
        // Where optional files "beside the executable" are looked up, in order.
        QStringList programFolders;
        static Services real();
    };

    explicit Form1(QWidget* parent = nullptr);
    explicit Form1(Services services, QWidget* parent = nullptr);
    ~Form1() override;

    // The start-up sequence. False when the process must end (no voice list
    // could be made); the window is then never shown.
    bool Form_Load();
    // Books named on the command line join the list as the list's own
    // adding code takes them (folders are searched for EPUB files).
    void AddCommandLineBooks(const QStringList& paths);

    // For the book list and its buttons.
    SettingsStore& settings() { return settings_; }
    bool hourglassShown() const { return pointer_ == Pointer::Hourglass; }
    QWidget* browseOwner() { return this; }
    const Services& services() const { return services_; }
    // An optional file beside the executable ("x/o.cjs", "drag.ico", ...), or
    // "" when there is none.
    QString programFile(const QString& name) const;
    // The cursor shown for a pointer value.
    QCursor cursorFor(Pointer pointer) const;

    // WindowPort
    Answer showMessage(const QString& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
                       const QString& caption = {}) override;
    void yieldOnce() override;
    void setProgressValue(double value) override;
    double progressValue() const override { return progressValue_; }
    void setProgressCaption(const QString& caption) override;
    QString progressCaption() const override { return progressCaption_; }
    void setPointer(Pointer pointer) override;
    Pointer pointer() const override { return pointer_; }
    bool busy() const override { return busy_; }
    void setBusy(bool busy) override { busy_ = busy; }
    int rowCount() const override;
    QString rowText(int row) const override;
    void appendRow(const QString& text) override;
    bool option1() const override;
    bool option2() const override;
    QString text1() const override;
    int combo1Index() const override;
    int slider1() const override;
    int slider2() const override;
    bool check1() const override;
    bool check2() const override;
    void setTimerInterval(int milliseconds) override;
    void setTimerEnabled(bool enabled) override;
    bool timerEnabled() const override;
    void repaint() override;

    // VoiceListPort over Combo1
    void clearVoices() override;
    void addVoice(const QString& description) override;
    int voiceCount() const override;
    void setVoiceIndex(int index) override;

    // The controls, named as on the form.
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
    CaptionedProgressBar* ProgressBar1 = nullptr;
    QPushButton* PushButton9 = nullptr;
    QTimer* Timer1 = nullptr;

  public Q_SLOTS:
    void PushButton1_Click();
    // The book-list buttons.
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void PushButton7_Click();
    void PushButton9_Click();
    void PushButton10_Click();
    void PushButton14_Click();
    void PusAddVoices_Click();
    void PusRefreshList_Click();
    void Slider1_Change();
    void Slider2_Change();
    void Combo1_Click();
    void Check2_Click();
    void Option1_Click();
    void Option2_Click();
    void Text1_Change();
    void Check1_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createControls();
    void setUpAccessibility();
    void connectControls();
    void setUpBookList(); // the book list's own behaviour
    void ApplySkin();
    void loadHandCursor();
    void optionClicked();
    void sliderChanged(QSlider* slider, QLabel* label, const char* key, const QString& caption,
                       const QString& location);
    void refuseSliderChange(StepGuard& g, QSlider* slider, const char* key);
    bool refusedSliderInput(QObject* watched, QEvent* event);
    void openWebPage(const QString& address);
    void askThenOpen(const QString& location, const QString& question, const QString& page);

    Services services_;
    SettingsStore settings_;
    bool busy_ = false;
    bool refusing_ = false; // the slider refusal's message is open
    Pointer pointer_ = Pointer::Default;
    QCursor customCursor_{Qt::PointingHandCursor};
    double progressValue_ = 0;
    QString progressCaption_;
    bool centred_ = false;
};

} // namespace vt
