#pragma once

#include <QIcon>

namespace vt
{

// The program's icon in every size it is drawn in (16 to 256 pixels), from
// the pictures built into the program.
QIcon ApplicationIcon();

// What the program sets before its window opens: its name, the one style its
// layout is made for, and its icon, which the window and every message box
// show. The desktop learns which menu entry the window belongs to.
void SetUpApplication();

} // namespace vt
