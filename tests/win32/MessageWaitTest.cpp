#include <windows.h>

#include <gtest/gtest.h>

#include "base/Handles.h"
#include "base/MessageWait.h"

namespace {

// Takes the mutex and ends without releasing it.
DWORD CALLBACK TakeAndLeave(void* mutex) { return WaitForSingleObject(static_cast<HANDLE>(mutex), 0); }

}  // namespace

// A mutex whose owner ended without releasing it (a copy of the tool ended
// from outside while it held one) is had by the next waiter, not a failed wait.
TEST(WaitServingSentMessages, HasAMutexItsOwnerLeftBehind) {
    const KernelHandle mutex(CreateMutexA(nullptr, FALSE, nullptr));
    ASSERT_TRUE(mutex);
    const KernelHandle owner(CreateThread(nullptr, 0, TakeAndLeave, mutex.Get(), 0, nullptr));
    ASSERT_TRUE(owner);
    ASSERT_EQ(WaitForSingleObject(owner.Get(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitServingSentMessages({mutex.Get()}, 5000), 0);
    EXPECT_TRUE(ReleaseMutex(mutex.Get())) << "owned by this thread now";
}
