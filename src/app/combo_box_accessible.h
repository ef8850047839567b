#pragma once

class QComboBox;

namespace vt
{

// On Linux Qt names a combo box that cannot be edited by its current item,
// so a screen reader says "English (Great Britain)" where it should say
// "Voice Used". Installed once, this names such a box by its accessible
// name when it has one, its current item being its value and its text.
void InstallComboBoxNames();

// Keeps the box's current item selected in its list, and tells a screen
// reader of every new choice.
void FollowComboBoxChoice(QComboBox* box);

} // namespace vt
