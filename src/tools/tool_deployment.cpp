#include "tools/tool_deployment.h"

#include "common/error.h"
#include "common/files.h"
#include "common/step_guard.h"
#include "common/working_folder.h"
#include "unzip/cunzip.h"

#include <QFile>
#include <memory>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

constexpr int kResourceNotFound = 326;

// The bytes of one embedded tool, :/CUSTOM/<id>.
QByteArray LoadResData(int id)
{
    QFile resource(u":/CUSTOM/"_s + QString::number(id));
    if (!resource.open(QIODevice::ReadOnly))
        raise(kResourceNotFound, u"Resource with identifier "_s + QString::number(id) +
                                     u" of type CUSTOM not found in the program."_s);
    return resource.readAll();
}

cUnzip& object(const std::unique_ptr<cUnzip>& unzip)
{
    if (!unzip)
        raise(err::ObjectRequired, u"Object required"_s);
    return *unzip;
}

} // namespace

void DeployTools(StepGuard& run, const Yield& yield)
{
    QByteArray bytes;
    run.step(112, [&] { bytes = LoadResData(101); });
    const auto working = [](QStringView name) { return WorkingFolder().value() / name; };
    run.step(114, [&] {
        if (!FileExists(working(u"calibre.zip")))
            WriteBytesIfMissing(bytes, working(u"calibre.zip"), yield).value();
    });
    // The tools start in the program's folder (RunAndWait); the process's own
    // current folder stays the user's, where the file dialogs open.
    std::unique_ptr<cUnzip> unzip;
    run.step(118, [&] { unzip = std::make_unique<cUnzip>(); });
    run.step(120, [&] { object(unzip).setZipFile(working(u"calibre.zip").text()); });
    run.step(122, [&] { object(unzip).setUseFolderNames(true); });
    run.step(124, [&] { object(unzip).setUnzipFolder(working(u"calibre").text()); });
    run.step(126, [&] { object(unzip).Unzip(); });
    run.step(128, [&] { DeleteFileQuiet(working(u"calibre.zip"), yield); });
    run.step(130, [&] { unzip.reset(); });
    run.step(132, [&] { bytes = LoadResData(102); });
    run.step(134, [&] {
        const Path lame = working(u"lame");
        if (!FileExists(lame)) {
            WriteBytesIfMissing(bytes, lame, yield).value();
            // Files are written without execute permission; the chain runs
            // this one as a program.
            if (::chmod(lame.native().constData(), 0755) != 0)
                raise(err::PermissionDenied,
                      u"Cannot make \""_s + lame.text() + u"\" executable."_s);
        }
    });
}

void RemoveTools(StepGuard& run, const Yield& yield)
{
    run.step(264, [&] { DeleteFolderTree(WorkingFolder().value() / u"calibre", yield).value(); });
    run.step(266, [&] { DeleteFileQuiet(WorkingFolder().value() / u"lame", yield); });
}

} // namespace vt
