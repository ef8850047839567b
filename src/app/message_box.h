#pragma once

#include "booklist/list_window.h"

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

// The answer a closed box was given: No when it was closed without one.
Answer AnswerOf(const QMessageBox& box);

} // namespace vt
