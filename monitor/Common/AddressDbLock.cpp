#include "monitor/Common/AddressDbLock.h"

#include "monitor/Common/Log.h"

const char16_t kAddressDbMutexName[] = u"DUVudidiVE.Mutex";

namespace {

struct AddressDbMutexHolder {
    plat::NamedMutex mutex;
    AddressDbMutexHolder() {
        // Without it the database goes unguarded; say so, as nothing else will.
        if (!mutex.Create(kAddressDbMutexName))
            WRITE_LOGF(u"CreateMutex %s fail: %s\r\n", kAddressDbMutexName, LastErrorText());
    }
};

}  // namespace

plat::NamedMutex& AddressDbMutex() {
    static AddressDbMutexHolder holder;
    return holder.mutex;
}
