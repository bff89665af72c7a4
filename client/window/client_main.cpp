#include "client_main.h"

#include "about_box.h"
#include "error_box.h"
#include "platform_startup.h"
#include "program_folder.h"
#include "tform1.h"
#include "tform6.h"
#include "tform7.h"
#include "visual_styles.h"

namespace client {

int run_kestraline_client(int argc, char** argv)
{
    KestralineApplication application(argc, argv);
    application.setApplicationName("Kestraline Client");
    start_platform(application);
    apply_visual_style("Turquoise Gray");
    return run_guarded([&] {
        TForm1 form1(program_folder());
        TForm6 form6(form1.Settings, [&form1] { form1.WriteIniExecute(); }, &form1);
        TForm7 form7(&form1);
        TAboutBox aboutBox("Kestraline Client", Program_URL, &form1);
        form1.SetWindows(&form6, &form7, &aboutBox);
        form1.show();
        return application.exec();
    });
}

} // namespace client
