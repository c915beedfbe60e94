#include <windows.h>

#include "host/HostLink.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The host is captured before the tool creates or shows any window.
    InitHostLink();
    return 0;
}
