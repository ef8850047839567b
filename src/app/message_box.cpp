#include "app/message_box.h"

#include "common/startup.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QTextDocument>
#include <QTextOption>
#include <QVariant>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// Where a box is asked to stand (PlaceMessageBox).
constexpr const char* kTopLeft = "vtTopLeft";

// What a window manager adds around a box: its borders and its title bar.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 40;

// The room a title bar needs: the caption in a title font, which desktops
// draw bolder and larger than the text, and the bar's own buttons.
int titleBarWidth(const QWidget& box)
{
    QFont font = box.font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    constexpr int kBarButtons = 150;
    return QFontMetrics(font).horizontalAdvance(box.windowTitle()) + kBarButtons;
}

// A message box whose text wraps and which grows to show all of it, up to
// the screen it is on: wider first, then taller; a text taller than the
// screen scrolls. Qt sizes a box at every show and layout change, so the
// box is fitted again after each.
class FittedMessageBox : public QMessageBox
{
  public:
    explicit FittedMessageBox(QWidget* owner) : QMessageBox(owner) {}

  protected:
    bool event(QEvent* e) override
    {
        const bool handled = QMessageBox::event(e);
        if (e->type() == QEvent::LayoutRequest && isVisible()) {
            const QSize was = size();
            const QPoint at = pos();
            fit();
            if (size() != was) // it grows about its middle
                place(at + QPoint(was.width() - width(), was.height() - height()) / 2);
        }
        return handled;
    }
    void showEvent(QShowEvent* e) override
    {
        QMessageBox::showEvent(e);
        fit();
        const QScreen* s = screen();
        const QRect free = s ? s->availableGeometry() : QRect();
        if (const QVariant wanted = property(kTopLeft); wanted.isValid()) {
            const QPoint at = wanted.toPoint();
            place(free.contains(QRect(at, size() + QSize(kFrameWidth, kFrameHeight)))
                      ? at
                      : free.topLeft());
            return;
        }
        const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
        const QPoint middle =
            owner && owner->isVisible() ? owner->frameGeometry().center() : free.center();
        place(middle - QPoint(width() / 2, height() / 2));
    }

  private:
    QLabel* label() const { return findChild<QLabel*>(u"qt_msgbox_label"_s); }
    QSize room() const
    {
        const QScreen* s = screen();
        const QSize free = s ? s->availableGeometry().size() : QSize(800, 600);
        return free - QSize(kFrameWidth, kFrameHeight);
    }
    int heightFor(int width) const
    {
        QLayout* grid = layout();
        return grid->hasHeightForWidth() ? grid->totalHeightForWidth(width)
                                         : grid->totalMinimumSize().height();
    }
    void fit();
    void scrollText(QLabel& text);
    // Moves the box to `at`, or as near as it stays wholly on the screen.
    void place(QPoint at);

    bool fitting_ = false;
    QScrollArea* scroll_ = nullptr; // the text's frame when it is taller than the screen
    int scrollWidth_ = 0;
};

// A word longer than the box's line (a path) is broken where it must be.
void wrapAnywhere(QLabel& text)
{
    text.setWordWrap(true);
    if (auto* document = text.findChild<QTextDocument*>()) {
        QTextOption option = document->defaultTextOption();
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        document->setDefaultTextOption(option);
    }
}

void FittedMessageBox::fit()
{
    QLabel* text = label();
    if (fitting_ || !text || !layout())
        return;
    fitting_ = true;
    const QSize most = room();
    if (scroll_) { // Qt would size the box by what it sees: the frame
        wrapAnywhere(*text);
        setFixedSize(scrollWidth_, most.height());
        fitting_ = false;
        return;
    }
    int width =
        std::min(std::max(size().width(), layout()->totalMinimumSize().width()), most.width());
    if (layout()->totalMinimumSize().width() > width)
        wrapAnywhere(*text);
    // Too tall: as wide as the screen allows, so that fewer lines are needed.
    if (heightFor(width) > most.height() && text->wordWrap())
        width = most.width();
    if (heightFor(width) > most.height()) {
        scrollText(*text);
        scrollWidth_ = width;
        wrapAnywhere(*text);
    }
    setFixedSize(width, std::min(heightFor(width), most.height()));
    fitting_ = false;
}

// The text goes into a frame of its own that scrolls, where the label was;
// the rest of the box keeps its height.
void FittedMessageBox::scrollText(QLabel& text)
{
    auto* grid = qobject_cast<QGridLayout*>(layout());
    const int index = grid ? grid->indexOf(&text) : -1;
    if (index < 0)
        return;
    int row = 0, column = 0, rows = 0, columns = 0;
    grid->getItemPosition(index, &row, &column, &rows, &columns);
    grid->removeWidget(&text);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(u"vt_msgbox_scroll"_s);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidget(&text);
    grid->addWidget(scroll_, row, column, rows, columns);
}

void FittedMessageBox::place(QPoint at)
{
    const QScreen* s = screen();
    if (!s)
        return;
    const QRect free = s->availableGeometry();
    const QSize outer = size() + QSize(kFrameWidth, kFrameHeight);
    at.setX(
        std::clamp(at.x(), free.left(), std::max(free.left(), free.right() + 1 - outer.width())));
    at.setY(
        std::clamp(at.y(), free.top(), std::max(free.top(), free.bottom() + 1 - outer.height())));
    move(at);
}

} // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const QString& text, Buttons buttons,
                                            Icon icon, const QString& caption)
{
    auto box = std::make_unique<FittedMessageBox>(owner);
    box->setWindowTitle(caption.isEmpty() ? ApplicationTitle() : caption);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->setIcon(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon);
    if (buttons == Buttons::YesNo) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
    }
    // A short text ("Done.") would make a box so narrow that its caption
    // shows as "...": the row of buttons is given the caption's width at
    // least. (On the text itself such a width would keep it from wrapping.)
    if (auto* row = box->findChild<QDialogButtonBox*>())
        row->setMinimumWidth(titleBarWidth(*box));
    return box;
}

void PlaceMessageBox(QMessageBox& box, QPoint topLeft)
{
    box.setProperty(kTopLeft, topLeft);
}

Answer AnswerOf(const QMessageBox& box)
{
    const QAbstractButton* clicked = box.clickedButton();
    if (box.standardButtons() & QMessageBox::Yes)
        return clicked && clicked == box.button(QMessageBox::Yes) ? Answer::Yes : Answer::No;
    return Answer::Ok;
}

} // namespace vt
