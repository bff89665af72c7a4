#include "manager_startup.h"

#include "about_box.h"
#include "add_videos_window.h"
#include "error_box.h"
#include "main_window.h"
#include "platform_startup.h"
#include "program_folder.h"
#include "search_dialog.h"
#include "viewer_window.h"
#include "visual_styles.h"

namespace manager {

int run_manager(int argc, char** argv)
{
    KestralineApplication app(argc, argv);
    start_platform(app);
    return run_guarded([&] {
        QApplication::setApplicationName("Kestraline Manager");
        apply_visual_style("Lavender Classico");
        TForm1 Form1(program_folder());
        TForm2 Form2(Form1);
        TAboutBox AboutBox("Kestraline Manager", Program_URL, &Form1);
        TForm4 Form4(nullptr, &Form1);
        TForm5 Form5(&Form1);
        Form1.SetWindows(&Form2, &AboutBox, &Form5);
        Form1.SetViewer(&Form4);
        Form1.show();
        const int result = app.exec();
        Form2.StopProcessing();
        return result;
    });
}

} // namespace manager
