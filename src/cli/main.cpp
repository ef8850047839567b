#include "booklist/samples.h"
#include "cli/batch.h"
#include "cli/cli_options.h"
#include "cli/console_observer.h"
#include "cli/spoken_text.h"
#include "cli/voice_choice.h"
#include "common/build_config.h"
#include "common/files.h"
#include "common/path.h"
#include "common/settings.h"
#include "common/working_folder.h"
#include "speech/voice_catalogue.h"
#include "tools/interruption.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace
{

// A GUI application looks for the session's runtime folder as it starts and,
// when the session has none (a cron job, a container), makes one in the
// temporary folder and says so. The batch converter leaves nothing behind
// there: it lends Qt a runtime folder of its own for the start only.
class LentRuntimeFolder
{
  public:
    LentRuntimeFolder()
    {
        if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            return;
        QByteArray name = (vt::Path(QDir::tempPath()) / u"vellumtone-start-XXXXXX").native();
        if (::mkdtemp(name.data())) {
            folder_ = vt::Path::fromNative(name).text();
            qputenv("XDG_RUNTIME_DIR", name);
        }
    }
    ~LentRuntimeFolder()
    {
        if (folder_.isEmpty())
            return;
        qunsetenv("XDG_RUNTIME_DIR");
        QDir(folder_).removeRecursively();
    }
    LentRuntimeFolder(const LentRuntimeFolder&) = delete;
    LentRuntimeFolder& operator=(const LentRuntimeFolder&) = delete;

  private:
    QString folder_;
};

// Drawing a book's SVG cover needs Qt's fonts, which only a GUI application
// has: the batch converter is one, without a screen.
std::unique_ptr<QGuiApplication> startApplication(int& argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const LentRuntimeFolder runtime;
    return std::make_unique<QGuiApplication>(argc, argv);
}

void print(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

// A child converts one book for a parent that prints its result line: a
// book or folder that went away while earlier books ran is that book's
// failure, not a usage error.
void printFailed(const QString& book, const QString& reason)
{
    print(stdout, u"failed: "_s + book + u": "_s + reason + u'\n');
}

int usageError(const QString& message)
{
    print(stderr, u"vellumtone-cli: "_s + message + u"\nTry 'vellumtone-cli --help'.\n"_s);
    return 2;
}

// A stored value that cannot be read falls back to the default.
template <class F> auto stored(F&& read, decltype(read()) fallback)
{
    try {
        return read();
    } catch (const vt::Error&) {
        return fallback;
    }
}

// The books named on the command line, folders searched as "Add All" does.
// Answers false (after the message) for a path that does not exist.
bool collectBooks(const QStringList& paths, QStringList& books, bool child)
{
    for (const QString& path : paths) {
        // By the name's bytes: one that is not UTF-8 exists too (see Path).
        if (!vt::FileExists(path)) {
            if (child)
                printFailed(path, u"the book file could not be found (moved or deleted?)"_s);
            else
                usageError(u"no such file or folder: "_s + vt::Path(path).readable());
            return false;
        }
        const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(path));
        if (vt::IsFolder(path))
            books += vt::EpubBooksInFolder(absolute);
        else
            books += absolute;
    }
    return true;
}

// Where the results go: the options, else the window's stored choice.
// Answers false (after the message) when that folder does not exist.
bool chooseOutput(const vt::CliOptions& options, vt::SettingsStore& store,
                  vt::JobSettings& settings)
{
    if (options.out) {
        if (!vt::IsFolder(*options.out) && options.child) {
            for (const QString& book : options.paths)
                printFailed(book, u"the output folder "_s + *options.out +
                                      u" does not exist (any more)"_s);
            return false;
        }
        if (!vt::IsFolder(*options.out)) {
            usageError(u"bad value for --out: the folder \""_s + *options.out +
                       u"\" does not exist"_s);
            return false;
        }
        settings.option1 = true;
        settings.option2 = false;
        settings.folder = QFileInfo(*options.out).absoluteFilePath();
        return true;
    }
    if (options.beside) {
        settings.option1 = false;
        settings.option2 = true;
        return true;
    }
    settings.option1 = stored([&] { return store.boolean(vt::key::Option1); }, true);
    settings.option2 = stored([&] { return store.boolean(vt::key::Option2); }, false);
    settings.folder = stored([&] { return store.text(vt::key::Text1); }, QString());
    if (settings.option2 || !settings.option1) {
        // The window selects the option set last; with neither, results go
        // beside the books as they would there.
        settings.option1 = false;
        settings.option2 = true;
    }
    if (settings.option1 && !vt::IsFolder(settings.folder)) {
        usageError(u"the output folder \""_s + settings.folder +
                   u"\" of the settings does not exist; give --out DIR or --beside"_s);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    const auto app = startApplication(argc, argv);
    vt::MakeWorkingFolderAbsolute();
    // The arguments as the system gave them: a book's name that is not UTF-8
    // keeps its bytes (Qt's own list has lost them). The application has
    // taken out the options it reads itself.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(vt::Path::fromNative(argv[i]).text());
    QString error;
    auto options = vt::ParseCliOptions(arguments, error);
    if (!options)
        return usageError(error);
    if (options->child) {
        for (QString& path : options->paths)
            path = vt::PathFromChildArgument(path);
        if (options->result)
            options->result = vt::PathFromChildArgument(*options->result);
    }
    if (options->help) {
        print(stdout, vt::CliHelpText());
        return 0;
    }
    if (options->version) {
        // Where the sample books were found tells which installation runs.
        const QString samples = vt::SampleFolder();
        print(stdout, u"vellumtone-cli "_s + QStringLiteral(VT_VERSION) + u"\nsample books: "_s +
                          (vt::IsFolder(samples) ? samples : u"not installed"_s) + u'\n');
        return 0;
    }

    const vt::Expected<vt::VoiceTokens> installed = vt::InstalledVoices();
    if (!installed)
        vt::PrintError(u"vellumtone-cli: "_s + installed.error() + u'\n');
    const vt::VoiceTokens tokens = installed.valueOr(vt::VoiceTokens({}));
    const QStringList voices = vt::VoiceNames(tokens);
    if (options->listVoices) {
        for (qsizetype i = 0; i < voices.size(); ++i)
            print(stdout, QString::number(i) + u'\t' + voices[i] + u'\t' +
                              vt::EngineName(tokens.Item(int(i)).engine()) + u'\n');
        return voices.isEmpty() ? 1 : 0;
    }

    vt::SettingsStore store;
    vt::BatchSettings batch;
    if (options->child)
        batch.result = options->result.value_or(QString());
    vt::JobSettings& settings = batch.job;
    if (options->voice) {
        batch.voice = vt::ChooseVoice(voices, *options->voice);
        if (batch.voice < 0)
            return usageError(u"no voice \""_s + *options->voice +
                              u"\"; see vellumtone-cli --list-voices"_s);
    } else if (store.contains(vt::key::Combo)) {
        const int combo = stored([&] { return store.number(vt::key::Combo); }, 0);
        batch.voice = combo >= 0 && combo < voices.size() ? combo : -1;
    } else {
        batch.voice = vt::FirstStartVoice(tokens); // as the window's first start selects
    }
    if (batch.voice >= 0)
        settings.voice = tokens.Item(batch.voice);
    settings.matchLanguage = options->matchLanguage.value_or(
        stored([&] { return store.boolean(vt::key::MatchLanguage); }, true));
    settings.volume = options->volume.value_or(
        std::clamp(stored([&] { return store.number(vt::key::VolumeLevel); }, 100), 0, 100));
    settings.rate = options->rate.value_or(
        std::clamp(stored([&] { return store.number(vt::key::SpeechRate); }, -3), -10, 10));
    settings.tags =
        options->tags.value_or(stored([&] { return store.boolean(vt::key::Tags); }, true));
    settings.id3 = options->id3v24 ? vt::Id3Version::V2_4 : vt::Id3Version::V2_3;
    if (options->format)
        settings.format =
            *options->format == u"m4b"_s ? vt::OutputFormat::M4b : vt::OutputFormat::Mp3;
    else
        settings.format = stored([&] { return store.text(vt::key::Format); }, QString()) == u"m4b"_s
                              ? vt::OutputFormat::M4b
                              : vt::OutputFormat::Mp3;

    settings.splitChapters = options->splitChapters.value_or(
        stored([&] { return store.boolean(vt::key::SplitChapters); }, false));
    settings.threads = options->threads;
    vt::ListenerChoices& listening = settings.listening;
    listening.pronunciations = options->pronounce.value_or(vt::PronunciationListPath());
    if (options->pronounce && !QFileInfo(*options->pronounce).isFile())
        return usageError(u"bad value for --pronounce: no file \""_s + *options->pronounce +
                          u"\""_s);
    listening.parts = {options->chapters, options->readAll};
    listening.chapterPauseMs = options->chapterPauseMs.value_or(
        stored([&] { return vt::PauseMilliseconds(store.text(vt::key::ChapterPause), 60); }, 2000));
    if (listening.chapterPauseMs < 0)
        listening.chapterPauseMs = 2000;
    listening.paragraphPauseMs = options->paragraphPauseMs.value_or(
        stored([&] { return vt::PauseMilliseconds(store.text(vt::key::ParagraphPause), 10); }, -1));

    QStringList books;
    if (options->listChapters) {
        if (!collectBooks(options->paths, books, options->child))
            return 2;
        return vt::PrintBookParts(books, listening.parts);
    }
    if (!collectBooks(options->paths, books, options->child) ||
        (!options->text && !chooseOutput(*options, store, settings)))
        return options->child ? 1 : 2;
    if (books.isEmpty()) {
        print(stderr, u"vellumtone-cli: no EPUB books found\n"_s);
        return 1;
    }

    vt::InstallInterruptHandling();
    if (const vt::Expected<void> working = vt::SetUpPrivateWorkingFolder(); !working) {
        const QString problem = working.error();
        print(stderr, u"vellumtone-cli: "_s + problem + u'\n');
        for (const QString& book : books)
            printFailed(book,
                        u"the working folder cannot be used: "_s + problem + u" (check TEMP)"_s);
        return 1;
    }
    if (options->text) {
        const int status = vt::PrintSpokenText(books, batch);
        vt::RemovePrivateWorkingFolder();
        return status;
    }
    const int jobs = options->jobs > 0 ? options->jobs : std::max(1, QThread::idealThreadCount());
    // Several books always go to child processes, one book each, however
    // many run at once (--jobs); each book is spoken by a fresh engine in
    // either case.
    const int status = books.size() > 1
                           ? vt::ConvertInChildren(QCoreApplication::applicationFilePath(), books,
                                                   batch, std::min(jobs, int(books.size())))
                           : vt::ConvertInProcess(books, batch, !options->child);
    vt::RemovePrivateWorkingFolder();
    return vt::Interrupted() ? 130 : status;
}
