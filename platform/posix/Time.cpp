#include "platform/Time.h"

#include <sys/time.h>
#include <time.h>

namespace plat {

namespace {

void Fill(const struct tm& tm, int ms, SystemTime& t) {
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.dayOfWeek = tm.tm_wday;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.milliseconds = ms;
}

}  // namespace

int64_t TimeNow() { return int64_t(::time(nullptr)); }

void GetLocalTime(SystemTime& t) {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    struct tm tm;
    time_t s = tv.tv_sec;
    localtime_r(&s, &tm);
    Fill(tm, int(tv.tv_usec / 1000), t);
}

void GetSystemTime(SystemTime& t) {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    struct tm tm;
    time_t s = tv.tv_sec;
    gmtime_r(&s, &tm);
    Fill(tm, int(tv.tv_usec / 1000), t);
}

bool LocalTimeOf(int64_t seconds, SystemTime& t) {
    struct tm tm;
    time_t s = time_t(seconds);
    if (!localtime_r(&s, &tm)) return false;
    Fill(tm, 0, t);
    return true;
}

bool UtcTimeOf(int64_t seconds, SystemTime& t) {
    struct tm tm;
    time_t s = time_t(seconds);
    if (!gmtime_r(&s, &tm)) return false;
    Fill(tm, 0, t);
    return true;
}

uint64_t TickCount64() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec / 1000000);
}

void Sleep(uint32_t ms) {
    struct timespec ts{time_t(ms / 1000), long(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

}  // namespace plat
