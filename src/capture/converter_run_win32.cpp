// On Windows, Ctrl-C reaches every process attached to the console, the
// advisor included, and the default handler ends each of them: the command
// interpreter's own wait needs nothing added.
#include <cstdlib>

#include "capture/converter_run.h"

void RunConverter(const char* commandLine) {
  [[maybe_unused]] const int status = std::system(commandLine);
}
