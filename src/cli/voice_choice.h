#pragma once

#include <QString>
#include <QStringList>

namespace vt
{

// The descriptions of the engine's voices, in the engine's order.
QStringList VoiceNames();
// The engine of each of those voices ("espeak-ng", "Flite"), in the same order.
QStringList VoiceEngines();
// The voice a first start selects (FirstStartVoice); -1 when there is none.
int FirstStartVoiceIndex();
// The index of the voice a user named by number or by name (exact, any
// letter case, else the one voice whose name contains it); -1 for none.
int ChooseVoice(const QStringList& voices, const QString& wanted);
// The books of a folder tree, found as "Add All EPUB Files In Folder" does.
QStringList EpubBooksInFolder(const QString& folder);

} // namespace vt
