#include "platform/Memory.h"

#include <malloc.h>

#include <cstdio>
#include <cstring>

namespace plat {

namespace {

// A "Key:   123 kB" line of /proc/self/status, in bytes.
uint64_t StatusKilobytes(const char* key) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    uint64_t value = 0;
    const size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, key, keyLength) == 0 && line[keyLength] == ':') {
            unsigned long long kb = 0;
            if (std::sscanf(line + keyLength + 1, "%llu", &kb) == 1) value = kb * 1024;
            break;
        }
    }
    std::fclose(f);
    return value;
}

}  // namespace

uint64_t ResidentBytes() { return StatusKilobytes("VmRSS"); }

uint64_t PeakResidentBytes() { return StatusKilobytes("VmHWM"); }

bool ResetPeakResident() {
    FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (!f) return false;
    bool ok = std::fputs("5", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

void TrimHeap() { malloc_trim(0); }

}  // namespace plat
