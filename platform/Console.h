// The console the headless front end writes to: whether its output goes to a
// terminal (a progress bar redrawn in place) or to a file or pipe (plain lines).
#pragma once

namespace plat {

bool StdoutIsTerminal();

}  // namespace plat
