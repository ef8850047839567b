#pragma once

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;

namespace vt
{

// The silence before each chapter, and (when asked for) after each heading
// and paragraph, in seconds.
class PausesDialog : public QDialog
{
    Q_OBJECT
  public:
    // A paragraph pause below 0 is the speech engine's own.
    PausesDialog(int chapterPauseMs, int paragraphPauseMs, QWidget* parent = nullptr);

    int chapterPauseMs() const;
    int paragraphPauseMs() const; // -1: the engine's own

    QDoubleSpinBox* chapterPause() const { return chapter_; }
    QCheckBox* longerParagraphPause() const { return longer_; }
    QDoubleSpinBox* paragraphPause() const { return paragraph_; }

  private:
    QDoubleSpinBox* chapter_ = nullptr;
    QCheckBox* longer_ = nullptr;
    QDoubleSpinBox* paragraph_ = nullptr;
};

} // namespace vt
