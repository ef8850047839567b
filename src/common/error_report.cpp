#include "common/error_report.h"

#include "common/build_config.h"

using namespace Qt::StringLiterals;

namespace vt
{

QString applicationErrorText(const QString& description, const QString& location, int line)
{
    return description + u"\nin "_s + location + u" at line "_s + QString::number(line) +
           u"\n\nPlease email screenshot of this message to "_s + QStringLiteral(VT_SUPPORT_EMAIL);
}

QString describe(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Error& e) {
        return e.description();
    } catch (const std::bad_alloc&) {
        return u"Out of memory"_s;
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return u"Unexpected error"_s;
    }
}

void StepGuard::report(int line, std::exception_ptr error)
{
    ++failures_;
    const QString location = QString::fromLatin1(product_) + u'.' + location_;
    box_.showMessage(applicationErrorText(describe(error), location, line), Buttons::Ok,
                     Icon::Warning, u"Application Error"_s);
}

} // namespace vt
