#include "cli/cli_options.h"

#include "common/settings.h"
#include "epub/book_parts.h"

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

std::optional<int> parseInt(const QString& text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<CliOptions> ParseCliOptions(const QStringList& arguments, QString& error)
{
    CliOptions options;
    bool onlyPaths = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString argument = arguments[i];
        if (onlyPaths || !argument.startsWith(u'-') || argument == u"-"_s) {
            options.paths.append(argument);
            continue;
        }
        if (argument == u"--"_s) {
            onlyPaths = true;
            continue;
        }
        QString name = argument;
        std::optional<QString> inlineValue;
        if (const qsizetype eq = argument.indexOf(u'='); eq > 0 && argument.startsWith(u"--"_s)) {
            name = argument.left(eq);
            inlineValue = argument.mid(eq + 1);
        }
        const auto value = [&]() -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < arguments.size())
                return arguments[++i];
            error = u"option "_s + name + u" needs a value"_s;
            return std::nullopt;
        };
        const auto number = [&](int low, int high) -> std::optional<int> {
            const auto v = value();
            if (!v)
                return std::nullopt;
            const auto parsed = parseInt(*v, low, high);
            if (!parsed)
                error = u"bad value for "_s + name + u": \""_s + *v +
                        u"\" (expected a whole number from %1 to %2)"_s.arg(low).arg(high);
            return parsed;
        };
        const auto flag = [&]() {
            if (inlineValue)
                error = u"option "_s + name + u" takes no value"_s;
            return !inlineValue;
        };

        if (name == u"--voice"_s) {
            const auto v = value();
            if (!v)
                return std::nullopt;
            if (v->trimmed().isEmpty()) {
                error = u"--voice needs a voice name or number"_s;
                return std::nullopt;
            }
            options.voice = *v;
        } else if (name == u"--volume"_s) {
            if (!(options.volume = number(0, 100)))
                return std::nullopt;
        } else if (name == u"--rate"_s) {
            if (!(options.rate = number(-10, 10)))
                return std::nullopt;
        } else if (name == u"--jobs"_s) {
            const auto jobs = number(1, 256);
            if (!jobs)
                return std::nullopt;
            options.jobs = *jobs;
        } else if (name == u"--threads"_s) {
            const auto threads = number(1, 256);
            if (!threads)
                return std::nullopt;
            options.threads = *threads;
        } else if (name == u"--pronounce"_s) {
            const auto v = value();
            if (!v)
                return std::nullopt;
            options.pronounce = *v;
        } else if (name == u"--list-chapters"_s) {
            if (!flag())
                return std::nullopt;
            options.listChapters = true;
        } else if (name == u"--chapters"_s) {
            const auto v = value();
            if (!v)
                return std::nullopt;
            QString problem;
            if (!(options.chapters = ParsePartNumbers(*v, problem))) {
                error = u"bad value for --chapters: "_s + problem;
                return std::nullopt;
            }
        } else if (name == u"--read-all"_s) {
            if (!flag())
                return std::nullopt;
            options.readAll = true;
        } else if (name == u"--chapter-pause"_s || name == u"--paragraph-pause"_s) {
            const auto v = value();
            if (!v)
                return std::nullopt;
            const bool chapter = name == u"--chapter-pause"_s;
            const int most = chapter ? 60 : 10;
            const int ms = PauseMilliseconds(*v, most);
            if (ms < 0) {
                error = u"bad value for "_s + name + u": \""_s + *v +
                        u"\" (expected seconds from 0 to %1, such as 1.5)"_s.arg(most);
                return std::nullopt;
            }
            (chapter ? options.chapterPauseMs : options.paragraphPauseMs) = ms;
        } else if (name == u"--format"_s) {
            const auto v = value();
            if (!v)
                return std::nullopt;
            if (*v != u"mp3"_s && *v != u"m4b"_s) {
                error = u"bad value for --format: \""_s + *v + u"\" (expected mp3 or m4b)"_s;
                return std::nullopt;
            }
            options.format = *v;
        } else if (name == u"--out"_s) {
            const auto v = value();
            if (!v)
                return std::nullopt;
            options.out = *v;
        } else if (name == u"--beside"_s) {
            if (!flag())
                return std::nullopt;
            options.beside = true;
        } else if (name == u"--tags"_s || name == u"--no-tags"_s) {
            if (!flag())
                return std::nullopt;
            options.tags = name == u"--tags"_s;
        } else if (name == u"--match-language"_s || name == u"--no-match-language"_s) {
            if (!flag())
                return std::nullopt;
            options.matchLanguage = name == u"--match-language"_s;
        } else if (name == u"--split-chapters"_s || name == u"--no-split-chapters"_s) {
            if (!flag())
                return std::nullopt;
            options.splitChapters = name == u"--split-chapters"_s;
        } else if (name == u"--id3v2.4"_s) {
            if (!flag())
                return std::nullopt;
            options.id3v24 = true;
        } else if (name == u"--text"_s) {
            if (!flag())
                return std::nullopt;
            options.text = true;
        } else if (name == u"--list-voices"_s) {
            if (!flag())
                return std::nullopt;
            options.listVoices = true;
        } else if (name == u"--help"_s || name == u"-h"_s) {
            options.help = true;
        } else if (name == u"--version"_s) {
            options.version = true;
        } else if (name == u"--child"_s) {
            options.child = true;
        } else if (name == u"--result"_s) {
            if (!(options.result = value()))
                return std::nullopt;
        } else {
            error = u"unknown option "_s + argument;
            return std::nullopt;
        }
    }
    if (options.chapters && options.readAll) {
        error = u"--chapters and --read-all cannot be used together"_s;
        return std::nullopt;
    }
    if (options.out && options.beside) {
        error = u"--out and --beside cannot be used together"_s;
        return std::nullopt;
    }
    if (!options.help && !options.version && !options.listVoices && options.paths.isEmpty()) {
        error = u"no book or folder given"_s;
        return std::nullopt;
    }
    return options;
}

QString CliHelpText()
{
    return uR"(Usage: vellumtone-cli [options] PATH...

Turns EPUB books into MP3 audio books by text-to-speech, without a window.
Each PATH is an EPUB file or a folder; a folder is searched with all its
sub-folders for *.epub files (any letter case), leaving out names that begin
with "~" and hidden files.

Every book goes through the same chain as in the Vellumtone window: calibre's
ebook-convert makes plain text, the text is cut into pieces, the voice's
engine (espeak-ng or Flite) speaks each piece, lame -h encodes it, and the
pieces are joined into one MP3 named after the book (book.epub gives
book.mp3; an existing file is replaced).
The MP3 file carries the book's title, authors, cover, language, publisher,
description and chapters as an ID3v2.3 tag, which every player reads,
read from the book itself.

Options:
  --voice NAME|INDEX  the voice: its number in --list-voices or its name
  --volume N          volume from 0 to 100
  --rate N            speed of speech from -10 (slow) to 10 (fast)
  --format mp3|m4b    make MP3 files (the default) or M4B audio books: AAC in
                      MP4, with the same tags and chapters, read as books
                      with chapters by more players
  --split-chapters    make a folder named after each book holding a file per
                      chapter ("07 - Chapter title.mp3"), each with the
                      book's tags, its title and its track number; a book
                      whose contents give no chapters stays one file
  --no-split-chapters one file per book (default: as the window's
                      "One file per chapter")
  --out DIR           put the MP3 files into DIR (which must exist)
  --beside            put each MP3 file beside its book
  --tags, --no-tags   write the book's title, authors, cover and chapters
                      into its MP3 file, or leave them out (default: as the
                      window's "Write title, author, cover and chapters")
  --id3v2.4           write the tag as ID3v2.4 (UTF-8) instead of ID3v2.3
  --match-language    speak a book whose language (its dc:language) the voice
                      does not speak with the best voice for its language
  --no-match-language speak every book with the chosen voice
  --list-chapters     convert nothing: print each book's parts (the entries
                      of its contents, and pages its structure names) with
                      their numbers, their kind and whether they are read
  --chapters LIST     read only these parts, by the numbers --list-chapters
                      prints: 3-12,15 (default: all but the copyright page,
                      colophon, imprint, index, bibliography and lists of
                      contents, illustrations and tables)
  --read-all          read every part of each book
  --pronounce FILE    the pronunciation list to use instead of the global one
                      (pronounce.txt beside the settings file); a list beside
                      the book, BOOK.pronounce.txt, comes first either way.
                      One rule a line: "word = how to say it" (whole words;
                      any case unless the word has a capital) or
                      "/pattern/ = replacement" (\1 or $1 for a group);
                      "#" begins a comment. Bad rules are named and skipped
  --chapter-pause S   seconds of silence before each chapter (default 2)
  --paragraph-pause S seconds of silence after each heading and paragraph
                      (default: only the voice's own pause)
  --text              speak nothing: write the text of the books exactly as it
                      would be spoken to standard output, its pieces separated
                      by a line holding a form feed, to proofread a book
  --list-voices       list the voices (number, name, engine) and exit
  --jobs N            convert N books at once (default: one per processor core)
  --threads N         encode each book on N cores at once while it is spoken
                      (default: the processor cores, shared among the --jobs);
                      1 is the sequential chain: each piece is spoken into a
                      WAV file, then encoded by lame -h
  --help              show this text and exit
  --version           show the version and the folder of the sample books,
                      and exit

Options that are not given take the values last chosen in the Vellumtone
window (~/.config/Quillmark/Quillmark.ini); this program never changes them.
Before any choice was made there, the voice is the one for the user's
language (LANG), else English, and "Match each book's language" is on.

Output:
  standard output   one line per book, in the order the books were given:
                    the path of the MP3 file (of the folder of its
                    chapters with --split-chapters), or
                    "failed: BOOK: REASON" when the book got no complete MP3;
                    a note after a tab when there is one, e.g. that no voice
                    speaks the book's language: no voice for Hebrew; spoken
                    with English (Great Britain)
  standard error    the voice each book is spoken with, progress (one
                    updating line on a terminal, one line per stage
                    otherwise; with several books, one line as each book
                    starts and ends: "Book 2 of 5 done in 1:23: BOOK") and
                    the program's messages

Exit status:
  0    every book got its MP3 file
  1    some books failed
  2    bad usage: an unknown option or a bad value
  130  interrupted (Ctrl+C, SIGTERM or SIGHUP); the running tool is ended
       and this run's working files are removed

Working files:
  Each process works in a private folder of its own under $TEMP (or under
  $TMPDIR or /tmp when TEMP is not set) and removes it at the end, so any
  number of vellumtone-cli processes can run at once, on one machine or many.

Examples:
  vellumtone-cli --out ~/Audiobooks book.epub
  vellumtone-cli --beside --rate 2 --voice English ~/Books
  find ~/Books -name '*.epub' | parallel -j4 vellumtone-cli --jobs 1 --beside {}
  vellumtone-cli --text book.epub | less
)"_s;
}

} // namespace vt
