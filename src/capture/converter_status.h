// What the converter's end means for the advisor. Its ordinary exit status is
// not looked at (a failed conversion leaves the previous "x.tif" to analyse);
// only an interrupt from the terminal matters.
#ifndef BOTTLEWATCH_CAPTURE_CONVERTER_STATUS_H_
#define BOTTLEWATCH_CAPTURE_CONVERTER_STATUS_H_

// Given what std::system returned for the converter's command: when the
// command was ended by an interrupt from the terminal (SIGINT, SIGQUIT), ends
// the advisor by the same signal at once, as if it had received it itself.
// Otherwise returns and does nothing.
void StopIfConverterInterrupted(int commandStatus);

#endif  // BOTTLEWATCH_CAPTURE_CONVERTER_STATUS_H_
