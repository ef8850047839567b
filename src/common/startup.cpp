#include "common/startup.h"

#include "common/build_config.h"
#include "common/error.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/working_folder.h"

#include <QUrl>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{
QString& title()
{
    static QString value = u"Vellumtone"_s;
    return value;
}
} // namespace

QString ApplicationTitle()
{
    return title();
}

void SetApplicationTitle(const QString& productName)
{
    QString result = productName;
    do {
        const qsizetype blank = result.lastIndexOf(u' ');
        if (blank < 0)
            break;
        result = result.left(blank);
    } while (result.size() > 40);
    title() = result;
}

QString CheckTempFolder()
{
    const QString probe = u"Quillmark Temp Folder Test file"_s;
    QString folder = qEnvironmentVariable("TEMP");
    QString readBack;
    if (const Expected<Path> working = WorkingFolder()) {
        folder = working->text();
        const Path file = CollapseBackslashes((*working / u"TempTest.txt").text());
        DeleteFileQuiet(file);
        if (WriteTextFile(probe, file))
            readBack = ReadTextFile(file).remove(u'\r').remove(u'\n').trimmed();
        DeleteFileQuiet(file);
    }
    if (readBack == probe)
        return {};
    return u"Software cannot access your TEMP folder.\n\n"
           u"It needs to access the TEMP folder to work correctly.\n\n"
           u"Please delete files in your\n\n"_s +
           folder + u"\n\nfolder\n\nPlease email "_s + QStringLiteral(VT_SUPPORT_EMAIL) +
           u" if you have any questions."_s;
}

void OpenVendorPageSometimes(const std::function<double()>& draw,
                             const std::function<void(const QString&)>& open,
                             const QString& address)
{
    const int r = static_cast<int>(draw() * 100) + 1;
    if (r == 7 && !address.isEmpty())
        open(address);
}

QString MakerSiteName(const QString& address)
{
    const QString host = QUrl(address).host();
    return host.isEmpty() ? u"the web"_s : host;
}

} // namespace vt
