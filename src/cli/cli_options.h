#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace vt
{

// The command line of vellumtone-cli. Unset values come from the settings
// store; nothing here is ever written back to it.
struct CliOptions {
    std::optional<QString> voice; // a name or an index
    std::optional<int> volume;
    std::optional<int> rate;
    std::optional<QString> out;
    bool beside = false;
    std::optional<bool> tags;          // --tags or --no-tags
    std::optional<bool> matchLanguage; // --match-language, --no-match-language
    bool id3v24 = false;               // the tag as ID3v2.4 instead of 2.3
    std::optional<QString> format;     // "mp3" or "m4b"
    std::optional<bool> splitChapters; // --split-chapters, --no-split-chapters
    bool text = false;                 // print the text as it would be spoken
    bool listVoices = false;
    bool help = false;
    bool version = false;
    bool child = false;                 // one book of a --jobs batch: no progress line
    std::optional<QString> result;      // a child's result, as its parent named it
    int jobs = 0;                       // 0: one per core
    int threads = 0;                    // cores one book is encoded on; 0: its share of them
    std::optional<QString> pronounce;   // the pronunciation list instead of the global one
    bool listChapters = false;          // print each book's parts and exit
    std::optional<QList<int>> chapters; // the parts read, by number
    bool readAll = false;
    std::optional<int> chapterPauseMs;
    std::optional<int> paragraphPauseMs;
    QStringList paths;
};

// Parses the arguments after the program name. On bad usage returns nothing
// and sets `error` to a message naming the bad option or value.
std::optional<CliOptions> ParseCliOptions(const QStringList& arguments, QString& error);

// The --help text, complete enough to serve as the manual.
QString CliHelpText();

} // namespace vt
