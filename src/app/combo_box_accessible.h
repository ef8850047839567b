#pragma once

namespace vt
{

// On Linux Qt names a combo box that cannot be edited by its current item,
// so a screen reader says "English (Great Britain)" where it should say
// "Voice Used". Installed once, this names such a box by its accessible
// name when it has one, its current item being its value.
void InstallComboBoxNames();

} // namespace vt
