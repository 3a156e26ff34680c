// The launcher service's log: "ABService_log.txt" beside its executable, in the
// monitor's format but stamped with the time of the UTC+8 zone, and opened in
// append mode for every entry so each entry is on disk at once.
#pragma once

#include <string>
#include <string_view>

#include "platform/Format.h"
#include "platform/Time.h"

// At service start: puts the byte-order mark into an empty or new log. `path`
// defaults to the executable's folder + "ABService_log.txt".
void OpenServiceLog(std::u16string_view path = {});
void WriteServiceLog(const char* sourceFile, unsigned long line, std::u16string_view text);
void WriteServiceLog(const char* sourceFile, unsigned long line, const char16_t* text);
const std::u16string& ServiceLogPath();

// UTC seconds moved to the UTC+8 zone, as calendar fields.
plat::SystemTime ChinaTimeOf(int64_t utcSeconds);

#define SERVICE_LOG(text) WriteServiceLog(__FILE__, __LINE__, (text))
#define SERVICE_LOGF(...) WriteServiceLog(__FILE__, __LINE__, plat::Format(__VA_ARGS__))
