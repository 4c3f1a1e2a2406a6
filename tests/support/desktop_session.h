// A private headless Wayland desktop for the tests and benchmarks that run the
// advisor where the screen is read through the desktop: GNOME's compositor
// (scripts/headless-gnome: mutter, its Xwayland, PipeWire, the ScreenCast
// portal whose share dialog is share-dialog), KDE's (scripts/headless-kde:
// KWin with KDE's own portal backend and dialog), or sway's rootless Xwayland
// with no portal (scripts/headless-sway). Tests never use the developer's own
// desktop.
//
// The GNOME desktop needs share-dialog built, and with GNOME's own dialog
// press-keys (the dialog's "remember" box takes only a key); the KDE desktop
// needs fake-pointer: a test target that uses them adds
// add_dependencies(... share-dialog press-keys) or (... fake-pointer).
#ifndef BOTTLEWATCH_TESTS_SUPPORT_DESKTOP_SESSION_H_
#define BOTTLEWATCH_TESTS_SUPPORT_DESKTOP_SESSION_H_

#include <map>
#include <memory>
#include <string>

#include "support/subprocess.h"
#include "support/temp_dir.h"

// The NAME=value lines of a desktop's env file (empty when there is none).
std::map<std::string, std::string> ReadEnvFile(const std::string& path);

enum class DesktopKind {
  kGnome,          // mutter + Xwayland + PipeWire + the ScreenCast portal
  kGnomeNoPortal,  // the same with nothing of the portal on the session bus
  // kGnome with GNOME's own portal backend and its real share dialog, which
  // AnswerGnomeShareDialog answers.
  kGnomeRealDialog,
  // kGnome on a 1024x768 monitor: room for a 640x480 window away from the
  // corner that mutter does not maximize.
  kGnomeLargeMonitor,
  // kGnome on a 1920x1080 monitor, as players have: a 3x game in its middle.
  kGnomeFullHdMonitor,
  kSwayNoPortal,  // sway's rootless Xwayland, a session bus with no portal
  // KWin on a 1280x1024 screen with its Xwayland, PipeWire, the ScreenCast
  // portal and KDE's own backend, whose real dialog only clicks through
  // AnswerKdeShareDialog answer. Like kGnomeRealDialog with KDE in GNOME's
  // place; KWin streams windows but not its virtual screen.
  kKdeRealDialog,
};

// What a person does in KDE's share dialog.
enum class KdeDialogAnswer {
  kShareFirstWindow,  // the Windows tab, the first window listed, Share
  kCancel,
};

class DesktopSession {
 public:
  // Starts the desktop in a fresh folder of its own and returns once every
  // part of it answers. Throws std::runtime_error with the script's account of
  // what failed (which quotes the end of the failing program's log) when it
  // cannot start within timeoutSeconds.
  explicit DesktopSession(DesktopKind kind, double timeoutSeconds = 60);
  // Stops everything the desktop started.
  ~DesktopSession();
  DesktopSession(const DesktopSession&) = delete;
  DesktopSession& operator=(const DesktopSession&) = delete;

  // What a client of this desktop needs, to pass to RunProcess or
  // BackgroundProcess: DBUS_SESSION_BUS_ADDRESS, XDG_RUNTIME_DIR,
  // PIPEWIRE_RUNTIME_DIR, WAYLAND_DISPLAY, DISPLAY, XAUTHORITY (empty, that is
  // unset, where the X server needs none), XDG_SESSION_TYPE,
  // XDG_CURRENT_DESKTOP, and XDG_STATE_HOME, a state folder of this desktop's
  // own, so that no test is answered by a share another test's run left
  // remembered. Clients run as the test's own user (root here).
  const std::map<std::string, std::string>& env() const { return env_; }

  // What the share dialog answers at the next Start of a screen cast: "grant"
  // (the initial answer), "refuse" (response 1), "close" (response 2) or
  // "wait" (no answer while the client waits). GNOME with the portal only.
  void SetAnswer(const std::string& answer) const;

  // kGnomeRealDialog: answers the next share dialog by what it shows on the
  // accessibility bus (scripts/answer-gnome-dialog tells how): leaves the
  // "remember" box ticked or unticks it, picks the monitor and presses Share,
  // each once its widget is there and can take it, then waits for the portal
  // to say the share started. Empty once it did; otherwise one line naming
  // what was missing when timeoutSeconds had passed (no dialog, no Share
  // button, Share not sensitive, no share started, ...).
  std::string AnswerGnomeShareDialog(bool remember, double timeoutSeconds);

  // kKdeRealDialog: waits until a share dialog that has not been answered yet
  // is shown (KWin has moved it to the screen's top-right corner, off a game
  // window at 100,80), clicks the answer into it, and waits for it to close.
  // False when no dialog showed, or it stayed open, within timeoutSeconds.
  bool AnswerKdeShareDialog(KdeDialogAnswer answer, double timeoutSeconds);

  // Kills the compositor (mutter, KWin or sway) outright, as a crash would; its
  // Xwayland goes with it, and the portal closes the sessions it recorded.
  void KillCompositor() const;

  // The PID recorded for one of the desktop's processes ("mutter", "kwin", "sway",
  // "xwayland", "pipewire", "portal", "share-dialog", ...), or -1.
  int Pid(const std::string& name) const;

  // The folder holding the desktop's logs (NAME.log), pid files and env.
  const std::string& workDir() const { return dir_.path(); }
  std::string LogPath(const std::string& name) const { return dir_.File(name + ".log"); }

 private:
  void Stop();

  TempDir dir_;
  std::string compositor_;
  std::unique_ptr<BackgroundProcess> script_;
  std::map<std::string, std::string> env_;
  // How much of the log that tells of dialogs (portal.log, kwin.log) was
  // read up to the last dialog answered.
  size_t dialogLogSeen_ = 0;
};

#endif  // BOTTLEWATCH_TESTS_SUPPORT_DESKTOP_SESSION_H_
