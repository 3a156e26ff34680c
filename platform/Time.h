// Time as the program uses it: seconds since 1970, calendar times in local time
// and UTC, a monotonic tick count, and sleeping.
#pragma once

#include <cstdint>

namespace plat {

struct SystemTime {
    int year = 0, month = 0, dayOfWeek = 0, day = 0;
    int hour = 0, minute = 0, second = 0, milliseconds = 0;
};

int64_t TimeNow();  // seconds since 1970, UTC
void GetLocalTime(SystemTime& t);
void GetSystemTime(SystemTime& t);  // UTC
// Calendar fields of a moment; false when it cannot be converted.
bool LocalTimeOf(int64_t seconds, SystemTime& t);
bool UtcTimeOf(int64_t seconds, SystemTime& t);
uint64_t TickCount64();  // milliseconds of a monotonic clock
void Sleep(uint32_t milliseconds);

}  // namespace plat
