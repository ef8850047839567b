#pragma once

#include <QPointer>
#include <QWidget>

namespace vt
{

// A clear mark around the control of a window that has the keyboard focus,
// the same for every kind of control: the style's own mark is faint on some
// (a slider's above all). It lets the mouse through and covers nothing but
// a frame two pixels wide around the control.
class FocusRing : public QWidget
{
    Q_OBJECT
  public:
    explicit FocusRing(QWidget* window);
    // The control it marks, or null when the focus is outside the window.
    QWidget* target() const { return target_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void follow(QWidget* now);
    void place();

    QWidget* window_;
    QPointer<QWidget> target_;
};

} // namespace vt
