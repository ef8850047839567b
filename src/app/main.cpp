#include "app/application_setup.h"
#include "app/form1.h"
#include "common/working_folder.h"
#include "tools/interruption.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    vt::MakeWorkingFolderAbsolute();
    vt::SetUpApplication();
    vt::Form1 form;
    if (!form.Form_Load())
        return 1;
    // Books named on the command line ("Open with" on the desktop) join the
    // list before the window shows.
    form.AddCommandLineBooks(QApplication::arguments().mid(1));
    form.show();
    // Logging out, or Ctrl+C in the terminal that started the program, ends
    // it as closing the window does, a run included.
    vt::InstallInterruptHandling();
    vt::OnInterrupt(&form, [&form] { form.close(); });
    return app.exec();
}
