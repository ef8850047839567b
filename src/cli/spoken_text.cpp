#include "cli/spoken_text.h"

#include "cli/batch.h"
#include "common/error_report.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/working_folder.h"
#include "pipeline/failure_reasons.h"
#include "pipeline/tool_chain.h"
#include "tools/command_runner.h"
#include "tools/interruption.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

void write(FILE* stream, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

} // namespace

int PrintSpokenText(const QStringList& books, const ConsoleWindow::Settings& settings)
{
    ConsoleWindow window(settings, false);
    window.onYield = [] {
        if (Interrupted()) {
            EndRunningTool();
            RemovePrivateWorkingFolder();
            std::fputs("\nvellumtone-cli: interrupted\n", stderr);
            std::_Exit(130);
        }
    };
    ToolChain chain(window);
    StepGuard run(window, u"Form1.PushButton1_Click"_s);
    chain.deployTools(run);
    const QString text = WorkingFolder() + u"/output.txt"_s;
    int status = 0;
    bool first = true;
    for (const QString& book : books) {
        DeleteFileQuiet(text);
        ForgetLastTool();
        chain.readEpubToText(book);
        const ToolEnding converter = LastToolEnding();
        if (converter.failed()) // text of a converter that failed may be cut short
            DeleteFileQuiet(text);
        if (!FileExists(text)) {
            write(stderr, (u"vellumtone-cli: "_s + book + u": "_s +
                           TextFailureReason(book, LastToolOutput(), converter) + u'\n')
                              .toUtf8());
            status = 1;
            continue;
        }
        const qint32 pieces = chain.cutText(text);
        for (qint32 j = 1; j <= pieces; ++j) {
            const QString piece = WorkingFolder() + u"/output"_s + PieceNumber(j) + u".txt"_s;
            QFile file(piece);
            if (!first)
                write(stdout, "\f\n");
            first = false;
            if (file.open(QIODevice::ReadOnly))
                write(stdout, file.readAll());
            file.close();
            DeleteFileQuiet(piece);
        }
    }
    chain.removeTools(run);
    std::fflush(stdout);
    return status;
}

} // namespace vt
