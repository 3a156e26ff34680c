// "DUVudidiVE.Mutex" serialises every use of an account's Address.db: the
// address book's reads on the main thread and the sync's writes on the web-call
// workers, in this process and any other of the user's. Take it before opening
// the store and release it after closing. The saved logins do not use it.
#pragma once

#include "platform/Sync.h"

extern const char16_t kAddressDbMutexName[];

// The process's one handle to the mutex, created unowned on first use (start-up
// calls it early so that the handle exists before any worker runs).
plat::NamedMutex& AddressDbMutex();

// Waits for the mutex without time limit and holds it for the scope.
class AddressDbLock {
public:
    AddressDbLock() : m_lock(AddressDbMutex()) {}
    AddressDbLock(const AddressDbLock&) = delete;
    AddressDbLock& operator=(const AddressDbLock&) = delete;

private:
    plat::NamedMutexLock m_lock;
};
