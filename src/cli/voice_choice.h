#pragma once

#include "speech/sp_voice.h"

#include <QString>
#include <QStringList>

namespace vt
{

// The descriptions of the voices, in their order.
QStringList VoiceNames(const VoiceTokens& voices);
// The index of the voice a user named by number or by name (exact, any
// letter case, else the one voice whose name contains it); -1 for none.
int ChooseVoice(const QStringList& voices, const QString& wanted);
// The books of a folder tree, found as "Add All EPUB Files In Folder" does.
QStringList EpubBooksInFolder(const QString& folder);

} // namespace vt
