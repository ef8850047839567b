#pragma once

#include <QString>
#include <memory>

class QSettings;

namespace vt
{

// The per-user settings store: text values in section "Vellumtone" of
// ~/.config/Quillmark/Quillmark.ini. Every key of the program is here.
namespace key
{
inline constexpr const char* VolumeLevel = "Volume Level";
inline constexpr const char* SpeechRate = "Speech Rate";
inline constexpr const char* Combo = "Combo";
inline constexpr const char* Text1 = "Text1";
inline constexpr const char* Option1 = "Option1";
inline constexpr const char* Option2 = "Option2";
inline constexpr const char* LastFolder = "LastFolder";
inline constexpr const char* LastFolderDot = "LastFolderDot";
inline constexpr const char* Extension = "Extension";
inline constexpr const char* Snapshot = "Snapshot";
inline constexpr const char* Tags = "Tags";
// Boolean: a book in another language than the chosen voice's is spoken by a
// voice for its language.
inline constexpr const char* MatchLanguage = "MatchLanguage";
// "mp3" or "m4b": what a book becomes.
inline constexpr const char* Format = "Format";
// Boolean: one file per chapter, in a folder named after the book.
inline constexpr const char* SplitChapters = "SplitChapters";
// Seconds of silence before each chapter ("2"), and after each heading and
// paragraph ("" for the speech engine's own pause).
inline constexpr const char* ChapterPause = "ChapterPause";
inline constexpr const char* ParagraphPause = "ParagraphPause";
} // namespace key

class SettingsStore
{
  public:
    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The stored text, or the key's default when absent.
    QString text(const char* key) const;
    bool contains(const char* key) const;
    // The number at the start of the text, rounded halves to even; text that
    // does not begin with a number reads as 0.
    int number(const char* key) const;
    // "True"/"False" (any case) or a number (0 is false); other text raises
    // the type-mismatch error.
    bool boolean(const char* key) const;

    void setText(const char* key, const QString& value);
    void setNumber(const char* key, int value);
    void setBoolean(const char* key, bool value);

    // The key's default text ("" for keys without one).
    static QString defaultText(const char* key);
    // The folder the store's file is in; the global pronunciation list
    // lives beside it.
    QString folder() const;

  private:
    std::unique_ptr<QSettings> settings_;
};

// The global pronunciation list: pronounce.txt in the settings folder.
QString PronunciationListPath();
// Seconds written in a setting or option as milliseconds; -1 for text that
// is empty or no number from 0 to `maxSeconds`.
int PauseMilliseconds(const QString& seconds, int maxSeconds);

// The number at the start of a text ("2.5abc" gives 2.5, "abc" gives 0).
double LeadingNumber(const QString& text);
// Rounds to the nearest whole number, halves to the even neighbour; raises
// the overflow error outside the 32-bit range.
int RoundHalfEven(double value);
// Text to Boolean as the store reads it.
bool TextToBoolean(const QString& text);

} // namespace vt
