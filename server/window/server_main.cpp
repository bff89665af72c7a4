#include "server_main.h"

#include "about_box.h"
#include "error_box.h"
#include "loading_dialog.h"
#include "platform_startup.h"
#include "program_folder.h"
#include "server_core.h"
#include "termination_signals.h"
#include "tform1.h"
#include "user_dialogs.h"
#include "visual_styles.h"

#include <QScopeGuard>
#include <cstdlib>

namespace server {

int run_kestraline_server(int argc, char** argv)
{
    catch_termination_signals();
    // A termination signal is carried out by the main window's exit once the window
    // stands. Before that it ends whatever box the start-up shows (its event loop and any
    // after it), and the exit follows as soon as the window is built.
    TForm1* mainWindow = nullptr;
    bool terminated = false;
    KestralineApplication application(argc, argv);
    on_termination_signals(&application, [&mainWindow, &terminated] {
        terminated = true;
        if (mainWindow)
            mainWindow->N11Click();
        else
            QCoreApplication::exit(0);
    });
    application.setApplicationName("Kestraline Server");
    start_platform(application);
    apply_visual_style("Cobalt XEMedia");
    return run_guarded([&] {
        // Tests and the demo keep the service on one address (e.g. 127.0.0.1).
        const QString bindAddress = qEnvironmentVariable("KESTRALINE_SERVER_BIND_ADDRESS");
        TForm1 form1(program_folder(), application.arguments().mid(1), bindAddress);
        TAboutBox aboutBox("Kestraline Server", Program_URL, &form1);
        TForm2 form2(form1.core().finder(), &form1);
        TForm10 form10(form1.core().access(), &form1);
        TForm9 form9(form1.core().access(), &form1);
        form1.AboutBox = &aboutBox;
        form1.Form2 = &form2;
        form1.Form10 = &form10;
        form1.Form9 = &form9;
        mainWindow = &form1;
        const auto windowGone = qScopeGuard([&mainWindow] { mainWindow = nullptr; });
        if (terminated) {
            form1.N11Click();
            return EXIT_SUCCESS;
        }
        form1.show();
        return application.exec();
    }, EXIT_FAILURE);
}

} // namespace server
