#pragma once

#include <QProgressBar>

namespace vt
{

// A progress bar that shows a caption of its own instead of a percentage.
// A long caption is drawn in a smaller font, and cut short only when even
// the smallest readable size does not fit.
class CaptionedProgressBar : public QProgressBar
{
    Q_OBJECT
  public:
    explicit CaptionedProgressBar(QWidget* parent = nullptr);

    void setCaption(const QString& caption);
    // The font of a caption that fits.
    void setCaptionFont(const QFont& font);
    QString caption() const { return caption_; }
    // The text as drawn.
    QString text() const override { return shown_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void fit();

    QString caption_;
    QString shown_;
    QFont base_;
};

} // namespace vt
