#include "app/message_box.h"

#include "common/startup.h"

#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

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

} // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const QString& text, Buttons buttons,
                                            Icon icon, const QString& caption)
{
    auto box = std::make_unique<QMessageBox>(owner);
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
    // shows as "...": the text is given the caption's width at least.
    if (auto* label = box->findChild<QLabel*>(u"qt_msgbox_label"_s))
        label->setMinimumWidth(titleBarWidth(*box));
    return box;
}

Answer AnswerOf(const QMessageBox& box)
{
    const QAbstractButton* clicked = box.clickedButton();
    if (box.standardButtons() & QMessageBox::Yes)
        return clicked && clicked == box.button(QMessageBox::Yes) ? Answer::Yes : Answer::No;
    return Answer::Ok;
}

} // namespace vt
