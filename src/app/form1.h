#pragma once

#include "app/book_list_view.h"
#include "app/form1_controls.h"
#include "booklist/list_window.h"
#include "common/settings.h"
#include "pipeline/book_job.h"
#include "speech/speech_rendering.h"
#include "speech/voice_catalogue.h"

#include <QCursor>
#include <QFont>
#include <QHash>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class QDialog;
class QMessageBox;

namespace vt
{

class Chain;
class WindowObserver;

// The main window: every control of the program, the start-up sequence, the
// Busy flag and the pointer. A run gets a snapshot of its controls as book
// jobs and tells the window how it goes through a WindowObserver.
class Form1 : public QWidget,
              public BookListWindow,
              public VoiceListPort,
              public WindowPointer,
              private Form1Controls
{
    Q_OBJECT
  public:
    // The outside services the window calls. The defaults are the real ones;
    // tests replace those that would need a person, a speaker or a new process.
    struct Services {
        std::function<bool(VoiceListPort&, SettingsStore&)> loadVoiceList;
        std::function<void(const QString&, const QString&, const SpeakSettings&,
                           const SpeechCalls&)>
            saveToWav;
        std::function<QString(QWidget*, const QString&, const QString&)> browseFolder;
        std::function<double()> randomDraw; // uniform in [0, 1)
        std::function<void()> endProcess;   // called when the window closes
        // The chain of tools a run drives.
        std::function<std::shared_ptr<Chain>()> makeChain;
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

    // BookListWindow
    Answer showMessage(const QString& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
                       const QString& caption = {}) override;
    void ask(const QString& text, const std::function<void(Answer)>& then) override;
    void yieldOnce() override;
    void setPointer(Pointer pointer) override;
    Pointer pointer() const override { return pointer_; }
    bool busy() const override { return busy_; }
    void setBusy(bool busy) { busy_ = busy; }
    // While a conversion run goes on no box or dialog waits for a person:
    // they are shown beside the window and the run carries on.
    bool runInProgress() const { return observer_ != nullptr; }
    int rowCount() const override;
    QString rowText(int row) const override;
    void appendRow(const QString& text) override;

    // The bar, its caption and Timer1, as a run's observer drives them.
    void setProgressValue(double value);
    double progressValue() const { return progressValue_; }
    void setProgressCaption(const QString& caption);
    QString progressCaption() const { return progressCaption_; }
    void setTimerInterval(int milliseconds);
    void setTimerEnabled(bool enabled);
    bool timerEnabled() const;
    void repaint();

    // The voice, volume and speed the controls show, as a run or the speed
    // test speaks with them.
    SpeakSettings speakSettings() const;
    // The pronunciation list and pauses a run takes, from the settings store.
    ListenerChoices listenerChoices() const;

    // VoiceListPort over Combo1
    void clearVoices() override;
    void addVoice(const VoiceToken& voice) override;
    int voiceCount() const override;
    void setVoiceIndex(int index) override;

    // The controls, for tests that drive the window as a user would; the
    // window's own code reaches them directly.
    Form1Controls& controls() { return *this; }
    const Form1Controls& controls() const { return *this; }

  public Q_SLOTS:
    void PushButton1_Click();
    // A tick of Timer1 while a piece of a run is spoken.
    void Timer1_Timer();
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
    void Combo2_Click();
    void Check3_Click();
    // What the listener decides: the parts of the selected book, the
    // pronunciation list and the pauses.
    void PusChapters_Click();
    void PusPronunciations_Click();
    void PusPauses_Click();

  protected:
    friend class WindowObserver;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createControls();
    void setUpAccessibility();
    void showFormat();
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
    // Opens the folder in the desktop's file manager, or says why it cannot.
    void openFolder(const QString& folder);
    // A box that does not wait, beside the window.
    QMessageBox* showBoxBeside(const QString& text, Icon icon, const QString& caption);
    // Places a box shown beside a run so that it hides none of the others.
    void cascade(QMessageBox& box);
    // Shows a dialog the window owns and tells `done` how it was closed: at
    // once, or while a run goes on, whenever the user closes it.
    void showDialog(QDialog* dialog, const std::function<void(QDialog&, int)>& done);
    // The folder picker of "Add All EPUB Files In Folder" and "...".
    void pickFolder(const QString& start, const std::function<void(const QString&)>& chosen);
    void outputFolderChosen(const QString& chosen);
    // Offers to make a missing output folder; true when it exists then.
    bool madeOutputFolder();
    // The window at its size: the list takes what is more or less than the
    // design's size, the controls right of it and below it move with the edges.
    void rememberDesign();
    void layOut();
    void fitToScreen();
    void askThenOpen(const QString& location, const QString& question, const QString& page);
    // Says a text aloud with the chosen voice, volume and speed; the window
    // stays responsive meanwhile, and busy.
    void speakAloud(const QString& text, const QString& location);
    // True (and the user told why) while a run or the speed test goes on.
    bool waitForRun(const QString& action);
    // A book that leaves the list takes its chosen parts with it.
    void forgetRemovedBooks();
    // "Application Error" boxes for the failing steps of a handler.
    StepReport errorBox() { return ErrorBoxOf(*this); }

    Services services_;
    SettingsStore settings_;
    bool busy_ = false;
    bool refusing_ = false;                // the slider refusal's message is open
    QPointer<QMessageBox> refusal_;        // that message, shown beside a run
    QList<QPointer<QWidget>> besideBoxes_; // the boxes shown beside a run, in order
    Pointer pointer_ = Pointer::Default;
    QCursor customCursor_{Qt::PointingHandCursor};
    double progressValue_ = 0;
    QString progressCaption_;
    bool centred_ = false;
    // The window and its own controls as the design places them.
    struct Placement {
        QRect rect;
        QFont font;
    };
    QHash<QWidget*, Placement> design_;
    QList<VoiceToken> voices_;           // Combo1's voices, in its order
    WindowObserver* observer_ = nullptr; // of the run in progress
    // By book path, while the book is in the list: the parts "Chapters…" chose.
    QHash<QString, QList<int>> chosenParts_;
};

} // namespace vt
