#include "app/form1.h"

#include "app/book_list_view.h"
#include "app/browse_folder.h"
#include "booklist/app_files.h"
#include "pipeline/tool_chain.h"
#include "speech/speech_rendering.h"
#include "tools/interruption.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace vt
{

Form1::Services Form1::Services::real()
{
    Services s;
    s.loadVoiceList = LoadVoiceList;
    s.saveToWav = SaveToWAV;
    s.browseFolder = BrowseFolder;
    s.randomDraw = [] { return QRandomGenerator::global()->generateDouble(); };
    s.endProcess = [] {
        std::fflush(nullptr);
        // Ended by a signal, the status says which, as a shell expects.
        std::_Exit(InterruptSignal() ? 128 + InterruptSignal() : 0);
    };
    s.programFolders = AppFileFolders();
    s.makeChain = [] { return std::make_shared<ToolChain>(); };
    return s;
}

QString Form1::programFile(const QString& name) const
{
    for (const QString& folder : services_.programFolders) {
        const QString path = (Path(folder) / name).text();
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

Form1::Form1(QWidget* parent) : Form1(Services::real(), parent) {}

Form1::Form1(Services services, QWidget* parent) : QWidget(parent), services_(std::move(services))
{
    const Services real = Services::real();
    if (!services_.loadVoiceList)
        services_.loadVoiceList = real.loadVoiceList;
    if (!services_.saveToWav)
        services_.saveToWav = real.saveToWav;
    if (!services_.browseFolder)
        services_.browseFolder = real.browseFolder;
    if (!services_.randomDraw)
        services_.randomDraw = real.randomDraw;
    if (!services_.endProcess)
        services_.endProcess = real.endProcess;
    if (!services_.makeChain)
        services_.makeChain = real.makeChain;
    if (services_.programFolders.isEmpty())
        services_.programFolders = real.programFolders;

    createControls();
    rememberDesign();
    setUpAccessibility();
    connectControls();
    setUpBookList();
}

// The list's rows go after the window's part of it: they are not forgotten.
Form1::~Form1()
{
    disconnect(ListView1->model(), nullptr, this, nullptr);
}

} // namespace vt
