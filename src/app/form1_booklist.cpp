#include "form1.h"

namespace vt {

void Form1::setUpBookList() {}

void Form1::PushButton2_Click() {}

void Form1::PushButton3_Click() {}

void Form1::PushButton4_Click() {}

void Form1::PushButton5_Click() {}

} // namespace vt
