#include "app/focus_ring.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{
constexpr int kWidth = 2;
} // namespace

FocusRing::FocusRing(QWidget* window) : QWidget(window), window_(window)
{
    setObjectName(u"FocusRing"_s);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { follow(now); });
}

void FocusRing::follow(QWidget* now)
{
    if (target_)
        target_->removeEventFilter(this);
    target_ = now && now != window_ && window_->isAncestorOf(now) ? now : nullptr;
    if (!target_) {
        hide();
        return;
    }
    target_->installEventFilter(this);
    setParent(target_->parentWidget());
    place();
}

void FocusRing::place()
{
    if (!target_ || !target_->isVisible()) {
        hide();
        return;
    }
    setGeometry(target_->geometry().adjusted(-kWidth, -kWidth, kWidth, kWidth));
    raise();
    show();
    update();
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        if (watched == target_)
            place();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QPen pen(palette().color(QPalette::Active, QPalette::Highlight), kWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.drawRect(
        QRectF(rect()).adjusted(kWidth / 2.0, kWidth / 2.0, -kWidth / 2.0, -kWidth / 2.0));
}

} // namespace vt
