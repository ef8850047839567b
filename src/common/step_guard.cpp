#include "common/step_guard.h"

#include "common/build_config.h"

#include <new>

using namespace Qt::StringLiterals;

namespace vt
{

QString applicationErrorText(const StepFailure& failure)
{
    return failure.description + u"\nin "_s + failure.location + u" at line "_s +
           QString::number(failure.line) + u"\n\nPlease email screenshot of this message to "_s +
           QStringLiteral(VT_SUPPORT_EMAIL);
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
    if (report_)
        report_({describe(error), QString::fromLatin1(product_) + u'.' + location_, line});
}

} // namespace vt
