#include <gtest/gtest.h>

#include <thread>

#include "monitor/Common/AddressDbLock.h"

namespace {

// What another thread, with a handle of its own, sees when it asks at once.
uint32_t TryFromAnotherThread() {
    uint32_t result = plat::WAIT_FAILED;
    std::thread t([&] {
        plat::NamedMutex other;
        bool existed = false;
        if (!other.Create(kAddressDbMutexName, &existed) || !existed) return;
        result = other.Wait(0);
        if (result == plat::WAIT_OBJECT_0 || result == plat::WAIT_ABANDONED) other.Release();
    });
    t.join();
    return result;
}

TEST(AddressDbLock, OneMutexHeldForTheScope) {
    EXPECT_EQ(std::u16string(kAddressDbMutexName), u"DUVudidiVE.Mutex");
    ASSERT_TRUE(AddressDbMutex().IsValid());
    EXPECT_EQ(&AddressDbMutex(), &AddressDbMutex());
    {
        AddressDbLock lock;
        {
            AddressDbLock again;  // the owning thread may take it again
        }
        EXPECT_EQ(TryFromAnotherThread(), plat::WAIT_TIMEOUT);
    }
    // Free again: a waiter without time limit gets it.
    uint32_t result = plat::WAIT_FAILED;
    std::thread t([&] {
        plat::NamedMutex other;
        if (!other.Create(kAddressDbMutexName)) return;
        result = other.Wait();
        other.Release();
    });
    t.join();
    EXPECT_TRUE(result == plat::WAIT_OBJECT_0 || result == plat::WAIT_ABANDONED) << result;
}

}  // namespace
