#include "app_fixture.h"

#include "common/step_guard.h"

#include <QFile>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace vt::test
{
namespace
{

QSettings rawStore()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, u"Quillmark"_s, u"Quillmark"_s);
}

} // namespace

void AppTest::SetUp()
{
    rawStore().remove(u"Vellumtone"_s);
    QFile::remove(PronunciationListPath());
    OpenedPages::urls().clear();
}

void AppTest::TearDown()
{
    rawStore().remove(u"Vellumtone"_s);
    QFile::remove(PronunciationListPath());
}

std::unique_ptr<Form1> AppTest::makeForm(Form1::Services services)
{
    if (!services.randomDraw)
        services.randomDraw = [] { return 0.5; };
    if (!services.endProcess)
        services.endProcess = [this] { ++processEnds; };
    return std::make_unique<Form1>(std::move(services));
}

std::unique_ptr<Form1> AppTest::loadedForm(Form1::Services services)
{
    auto form = makeForm(std::move(services));
    EXPECT_TRUE(form->Form_Load());
    return form;
}

void AppTest::store(const char* key, const QString& value)
{
    rawStore().setValue(u"Vellumtone/"_s + QLatin1String(key), value);
}

QString AppTest::stored(const char* key)
{
    return rawStore().value(u"Vellumtone/"_s + QLatin1String(key)).toString();
}

bool AppTest::isStored(const char* key)
{
    return rawStore().contains(u"Vellumtone/"_s + QLatin1String(key));
}

QString applicationError(const QString& description, const QString& procedure, int line)
{
    return applicationErrorText({description, u"Vellumtone2021/08/31.Form1."_s + procedure, line});
}

} // namespace vt::test
