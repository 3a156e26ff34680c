// The monitor's log: "ABMonitor_log.txt" in the program folder, UTF-16LE with a
// byte-order mark, one entry per WriteLog, each stamped with the local time and
// the caller's source file and line. Callers end their texts with "\r\n".
#pragma once

#include <string>
#include <string_view>

#include "platform/Format.h"

// Opens (and trims, at 10,000,000 bytes) the log in the program folder.
void OpenLog();
void CloseLog();

// One entry. A null text writes nothing. `sourceFile` may be null (no location
// in the prefix); only its part after the last separator is written.
void WriteLog(const char* sourceFile, unsigned long line, const char16_t* text);
void WriteLogText(const char* sourceFile, unsigned long line, std::u16string_view text);
// WRITE_LOG of a text pointer comes here, so that a null one writes nothing
// instead of being measured.
inline void WriteLogText(const char* sourceFile, unsigned long line, const char16_t* text) {
    WriteLog(sourceFile, line, text);
}

// "%u - %s": the calling thread's last system error and the system's text for it.
std::u16string LastErrorText();

#define WRITE_LOG(text) WriteLogText(__FILE__, __LINE__, (text))
// WRITE_LOGF(u"sqlite open: %s\r\n", path)
#define WRITE_LOGF(...) WriteLogText(__FILE__, __LINE__, plat::Format(__VA_ARGS__))
