#include "platform/Error.h"

#include <cerrno>
#include <cstring>

#include "platform/Text.h"

namespace plat {

namespace {
thread_local uint32_t t_lastError = 0;
}

uint32_t GetLastError() { return t_lastError; }
void SetLastError(uint32_t code) { t_lastError = code; }
void SetLastErrorFromErrno() { t_lastError = uint32_t(errno); }

bool SystemErrorMessage(uint32_t code, std::u16string& text) {
    char buf[256];
    // GNU strerror_r returns the text; codes it does not know come back as
    // "Unknown error N".
    const char* msg = strerror_r(int(code), buf, sizeof buf);
    if (code == 0 || !msg || std::strncmp(msg, "Unknown error", 13) == 0) return false;
    text = Utf8ToUtf16(msg);
    text += u"\r\n";
    return true;
}

}  // namespace plat
