// On Windows, Ctrl-C reaches every process attached to the console, the
// advisor included, and its default handler ends the advisor there: nothing
// to pass on.
#include "capture/converter_status.h"

void StopIfConverterInterrupted(int) {}
