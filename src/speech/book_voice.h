#pragma once

#include <QString>

namespace vt
{

class VoiceTokens;

// The voice a book is spoken with.
struct BookVoice {
    int index = -1; // position in the voice list; -1: the window's choice, read as it speaks
    QString name;   // the voice's description
    QString note;   // for the user, e.g. "no voice for Hebrew; spoken with English (Great Britain)"
};

// With "Match each book's language" on, a book whose language (its
// package's dc:language) the chosen voice does not speak goes to the voice
// that best speaks it; a book in a language no voice speaks stays with the
// chosen voice and gets a note. Off, or for a book without a language, the
// chosen voice (`chosen`, -1 for none) speaks.
BookVoice VoiceForBook(const QString& bookLanguage, int chosen, const VoiceTokens& voices,
                       bool match);

// VoiceForBook for the book at bookPath with the engine's voices. Never
// raises: a book or an engine that cannot be read leaves the chosen voice.
BookVoice ChooseBookVoice(const QString& bookPath, int chosen, bool match);

} // namespace vt
