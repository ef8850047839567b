#include "app/form1.h"
#include "common/build_config.h"
#include "pipeline/conversion_run.h"
#include "pipeline/tool_chain.h"

using namespace Qt::StringLiterals;

namespace vt
{

// "Start Converting To MP3": the whole list through the real chain.
void Form1::PushButton1_Click()
{
    ToolChain chain(*this);
    vt::PushButton1_Click(*this, chain);
}

// "?": why the program asks not to be disturbed while it works.
void Form1::PushButton9_Click()
{
    showMessage(u"Most desktop software and most software on "_s + QStringLiteral(VT_VENDOR_SITE) +
                u" allow you to multitask (do other things) while it is running.\n\n"
                u"This software is an exception. This software uses a lot of resources. Please "
                u"allow the software to run without multitasking so that it does not crash.\n\n"
                u"Please walk away from the computer and do something else if you are tempted to "
                u"multitask."_s);
}

} // namespace vt
