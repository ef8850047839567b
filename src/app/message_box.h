#pragma once

#include "booklist/list_window.h"

#include <QPoint>
#include <QString>
#include <memory>

class QMessageBox;
class QWidget;

namespace vt
{

// A message box as the window shows it: the caption (the application title
// when empty), plain text that can be selected and copied, and wide enough
// for its whole caption in the title bar.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const QString& text, Buttons buttons,
                                            Icon icon, const QString& caption);

// Where the box's top left corner goes when it shows, instead of over the
// middle of its owner; at the screen's top left corner when the box would
// leave the screen there.
void PlaceMessageBox(QMessageBox& box, QPoint topLeft);

// The answer a closed box was given: No when it was closed without one.
Answer AnswerOf(const QMessageBox& box);

} // namespace vt
