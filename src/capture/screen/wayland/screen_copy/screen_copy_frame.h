// One frame of the compositor's screen copy: the region asked for, copied
// into the run's one shared-memory buffer, and described for the packer.
//
// One copy at a time, driven from the frame cycle's thread; the buffer is
// only written by the compositor between StartScreenCopy and the copy's end,
// so the picture stays put until the next copy is asked for.
#ifndef BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_SCREEN_COPY_FRAME_H_
#define BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_SCREEN_COPY_FRAME_H_

#include "capture/screen/wayland/screen_copy/screen_copy_registry.h"
#include "capture/screen/wayland/screen_copy/wayland_connection.h"
#include "capture/screen/wayland/video_frame.h"

enum class CopyState {
  kPending,     // asked, no answer yet
  kReady,       // the picture is in the buffer
  kFailed,      // the compositor refused or failed the copy
  kUnreadable,  // it offered no shared-memory format we read
};

// Asks for a copy of the target's region, no cursor. With whenChanged the
// compositor holds the copy back until the output has changed since this
// client's last such copy. Waits (bounded) for the buffer the compositor
// offers, making or remaking the shared-memory buffer to fit it, and sends
// the copy; kPending then, or kUnreadable with nothing asked. Throws as
// DispatchUntil, and with one line when the compositor says nothing in time.
CopyState StartScreenCopy(wl_display* display, const ScreenCopyTarget& target, bool whenChanged);

// Waits for the copy asked last until deadline, or until alsoDone (when
// given) holds. kPending when that came first; the copy stays asked. Throws
// as DispatchUntil.
CopyState WaitForScreenCopy(wl_display* display, Deadline deadline, bool (*alsoDone)() = nullptr);

// Drops the copy asked last, answered or not.
void DropScreenCopy();

// The picture of the last copy that became ready, pointing into the buffer.
VideoFrame CopiedScreenPicture();

// Unmaps and closes the buffer; the next copy makes a new one.
void CloseScreenCopyBuffer();

#endif  // BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_SCREEN_COPY_FRAME_H_
