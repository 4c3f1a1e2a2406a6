// Damage on the outputs a wait does not copy from. A wait for a change asks
// the compositor for a copy of the watched region that it holds back until
// that output changes; on a layout of several outputs something drawn on
// another one (the game shown there) must end the wait too, so that the look
// over the whole screen goes over it. Each other output gets a probe: a copy
// of one logical pixel, held back in the same way, into a buffer of its own.
#ifndef BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_DAMAGE_PROBES_H_
#define BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_DAMAGE_PROBES_H_

#include <vector>

#include "capture/screen/wayland/screen_copy/screen_copy_registry.h"

struct wl_display;
struct wl_output;

// Asks a probe of every output in outputs but watched that has none asked,
// waiting (bounded) for each one's buffer offer. The first probe of an output
// is answered at once: the compositor counts the whole output as changed
// before a client's first such copy. Throws as StartScreenCopy. Needs a
// compositor whose screen copy holds copies back (version 2 or later);
// does nothing on an older one.
void AskDamageProbes(wl_display* display, const ScreenCopyTarget& target,
                     const std::vector<wl_output*>& outputs, wl_output* watched);

// Whether a probe's output has changed since it was asked. The probe is then
// done with, and the next AskDamageProbes asks it again.
bool DamageProbed();

// Destroys every probe and its buffer.
void DropDamageProbes();

#endif  // BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_DAMAGE_PROBES_H_
