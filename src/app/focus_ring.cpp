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
    if (QWidget* before = target_.data())
        before->removeEventFilter(this);
    QWidget* target = now && now != window_ && window_->isAncestorOf(now) ? now : nullptr;
    target_ = target;
    if (target == nullptr) {
        hide();
        return;
    }
    target->installEventFilter(this);
    setParent(target->parentWidget());
    place();
}

void FocusRing::place()
{
    const QWidget* target = target_.data();
    if (target == nullptr || !target->isVisible()) {
        hide();
        return;
    }
    setGeometry(target->geometry().adjusted(-kWidth, -kWidth, kWidth, kWidth));
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
