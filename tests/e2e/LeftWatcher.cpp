// The tool's watcher stays for minutes after the last run, and a Wine process
// keeps the standard error of the program that started it: here the test
// runner's output, which the runner reads to its end. So each test program
// ends the copies of the tool it leaves running when it is done (a later run
// finds no watcher and starts one, as after a watcher ended from outside).
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "base/Handles.h"

namespace {

class EndLeftWatcher : public ::testing::Environment {
public:
    void TearDown() override {
        const FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry)) {
            if (lstrcmpiA(entry.szExeFile, "pelmarind.exe") != 0) continue;
            const KernelHandle copy(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
            if (copy && TerminateProcess(copy.Get(), 0)) WaitForSingleObject(copy.Get(), 5000);
        }
    }
};

[[maybe_unused]] ::testing::Environment* const kEndLeftWatcher =
    ::testing::AddGlobalTestEnvironment(new EndLeftWatcher);

}  // namespace
