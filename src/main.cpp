// Setup.exe: the setup launcher in the root of the game's disc.
#include "launcher.h"
#include "platform/system_calls.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // the tail rules are the launcher's own, so it reads the whole command line itself
    return LauncherMain(instance, SysGetCommandLine());
}
