// Updates the /ask history as a copy of the tool does, again and again:
//   history_driver PATH TAG COUNT SYNC
// releases the named semaphore SYNC-ready once, waits for the named event
// SYNC-go (so that several copies start their updates together), then
// remembers the commands "TAG 0" to "TAG COUNT-1", one update each. The exit
// code is the number of updates that wrote nothing (2 for a wrong call).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/Handles.h"
#include "support/HistoryFile.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: history_driver PATH TAG COUNT SYNC\n");
        return 2;
    }
    const std::string path = argv[1], tag = argv[2], sync = argv[4];
    const int count = std::atoi(argv[3]);
    const KernelHandle ready(OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, (sync + "-ready").c_str()));
    const KernelHandle go(OpenEventA(SYNCHRONIZE, FALSE, (sync + "-go").c_str()));
    if (!ready || !go) return 2;
    ReleaseSemaphore(ready.Get(), 1, nullptr);
    if (WaitForSingleObject(go.Get(), 60000) != WAIT_OBJECT_0) return 2;
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        HistoryEntry entry;
        entry.command = tag + " " + std::to_string(i);
        if (!UpdateHistory(path, [&](std::vector<HistoryEntry>& history) { RememberCommand(history, entry); })) ++failed;
    }
    return failed;
}
