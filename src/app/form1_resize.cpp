#include "app/book_list_view.h"
#include "app/form1.h"

#include <QFontMetrics>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>

namespace vt
{
namespace
{

// A caption narrower than its button keeps the design's font; a wider one
// gets a smaller size rather than being cut off.
void fitCaption(QPushButton* button, const QFont& designed)
{
    QFont font = designed;
    const int room = button->width() - 8;
    while (QFontMetrics(font).horizontalAdvance(button->text()) > room && font.pointSizeF() > 7)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    button->setFont(font);
}

} // namespace

void Form1::rememberDesign()
{
    design_.insert(this, {rect(), font()});
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        design_.insert(w, {w->geometry(), w->font()});
}

// The list takes the difference to the design's size; what stands right of
// it moves with the right edge, what stands below it with the bottom edge,
// and the buttons below it share its width as they share it in the design.
void Form1::layOut()
{
    const QRect design = design_.value(this).rect;
    const QRect list = design_.value(ListView1).rect;
    if (design.isEmpty() || list.isEmpty())
        return;
    const int dx = width() - design.width();
    const int dy = height() - design.height();
    const int listEnd = list.left() + list.width();
    const double stretch = double(list.width() + dx) / list.width();
    const auto across = [&](int x) { return list.left() + qRound((x - list.left()) * stretch); };
    for (auto it = design_.cbegin(); it != design_.cend(); ++it) {
        QWidget* w = it.key();
        const QRect r = it->rect;
        const int down = r.top() > list.bottom() ? dy : 0;
        if (w == this)
            continue;
        if (w == ListView1) {
            w->setGeometry(r.adjusted(0, 0, dx, dy));
        } else if (r.left() >= listEnd) {
            w->setGeometry(r.translated(dx, down));
        } else {
            const int left = across(r.left());
            w->setGeometry(left, r.top() + down, across(r.left() + r.width()) - left, r.height());
            if (auto* button = qobject_cast<QPushButton*>(w))
                fitCaption(button, it->font);
        }
    }
    // The column keeps its margin to the list's edge.
    const int column = design_.value(ListView1).rect.width() - qRound(7000 / 15.0);
    ListView1->setColumnWidth(0, std::max(ListView1->width() - column, 100));
}

// On a screen smaller than the design's size the window takes what the
// screen has (the list shrinks); it opens centred and wholly on the screen.
void Form1::fitToScreen()
{
    const QScreen* s = screen();
    if (!s)
        return;
    const QRect free = s->availableGeometry();
    const QSize frame = frameGeometry().size() - size();
    const QSize room = free.size() - frame;
    setMinimumSize(design_.value(this).rect.size().boundedTo(room));
    resize(size().boundedTo(room));
    const QSize outer = size() + frame;
    QPoint at = centred_ ? pos() : free.center() - QPoint(outer.width() / 2, outer.height() / 2);
    at.setX(
        std::clamp(at.x(), free.left(), std::max(free.left(), free.right() + 1 - outer.width())));
    at.setY(
        std::clamp(at.y(), free.top(), std::max(free.top(), free.bottom() + 1 - outer.height())));
    move(at);
}

void Form1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (centred_)
        return;
    fitToScreen();
    centred_ = true;
    // A window system may tell the frame's size only once the window shows.
    QTimer::singleShot(0, this, &Form1::fitToScreen);
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOut();
}

} // namespace vt
