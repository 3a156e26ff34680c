// The calling thread's last system error, as the Win32 GetLastError gives it.
// Platform functions that fail set it; the codes are the operating system's own.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

uint32_t GetLastError();
void SetLastError(uint32_t code);
// Sets the last error from the C library's errno.
void SetLastErrorFromErrno();

// The system's message text for a code, with the line end the system supplies
// ("\r\n"); false when the system has no text for the code.
bool SystemErrorMessage(uint32_t code, std::u16string& text);

// Codes the layer above tests for.
constexpr uint32_t kErrorDiskFull = 28;       // no space left on the device
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorAlreadyExists = 17;
constexpr uint32_t kErrorAccessDenied = 13;

}  // namespace plat
