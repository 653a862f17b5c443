// The process entry: start up, create the hidden applet window, run the one message loop,
// shut down. The command line and the show state are ignored.
#include "app/ondrella.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    module_instance = instance;
    if (!startup())
        return 0;
    applet_window = create_applet_window();
    if (!applet_window)
        return 0;
    WPARAM quit_code = run_message_loop();
    DWORD last_error = shutdown();
    if (last_error)
        return static_cast<int>(last_error);
    return static_cast<int>(quit_code);
}
