#include "platform/Console.h"

#include <unistd.h>

namespace plat {

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

}  // namespace plat
