// press-keys: a keyboard for a headless GNOME desktop, through mutter's own
// remote-desktop API (org.gnome.Mutter.RemoteDesktop). What it types goes to
// the focused window, as a person's keys would. The tests use it to accept
// GNOME's own share dialog, which nothing but the keyboard reaches there
// (screen-sim's override-redirect window stays above it, so a click misses).
//
// Usage: press-keys FIFO
//   Makes FIFO and reads lines from it, each a list of chords separated by
//   spaces; a chord is key names joined by '+' (shift+tab): its keys are
//   pressed in order and released in the reverse order, before the next one.
//   Names: shift, ctrl, alt, tab, space, return, escape, left, right, up, down.
//
// It holds one remote-desktop session from its start to its end, and so the
// desktop has a keyboard all that time. That is what makes the keys land: a
// headless mutter's seat has no keyboard until a session's first key (not its
// Start) brings one, and a client told of a new keyboard binds it only after a
// round trip, so the first keys of a session made on demand reach nobody. A
// Shift pressed and released at the start gives the seat its keyboard before
// any window that the keys are meant for exists.
//
// Logs one line per typed list on the error stream. Ends on SIGTERM or
// SIGINT; status 1 when the session cannot be had or a key is refused.
#include <fcntl.h>
#include <gio/gio.h>
#include <glib-unix.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char* kName = "org.gnome.Mutter.RemoteDesktop";
constexpr const char* kPath = "/org/gnome/Mutter/RemoteDesktop";
constexpr const char* kSessionInterface = "org.gnome.Mutter.RemoteDesktop.Session";

// Linux input event codes (linux/input-event-codes.h), which
// NotifyKeyboardKeycode takes.
struct KeyName {
  const char* name;
  unsigned code;
};
constexpr KeyName kKeys[] = {{"escape", 1}, {"tab", 15},    {"return", 28}, {"ctrl", 29},
                             {"shift", 42}, {"alt", 56},    {"space", 57},  {"up", 103},
                             {"left", 105}, {"right", 106}, {"down", 108}};

constexpr unsigned kShift = 42;

struct Keyboard {
  GDBusConnection* bus = nullptr;
  std::string session;
  GMainLoop* loop = nullptr;
  int fifo = -1;
  std::string pending;  // a line not yet ended
  bool failed = false;
};

bool ParseChord(const std::string& chord, std::vector<unsigned>* codes) {
  size_t start = 0;
  while (start <= chord.size()) {
    const size_t plus = std::min(chord.find('+', start), chord.size());
    const std::string name = chord.substr(start, plus - start);
    const KeyName* found = nullptr;
    for (const KeyName& key : kKeys) {
      if (name == key.name) found = &key;
    }
    if (!found) return false;
    codes->push_back(found->code);
    start = plus + 1;
  }
  return true;
}

GVariant* Call(GDBusConnection* bus, const char* path, const char* interface, const char* method,
               GVariant* args) {
  GError* error = nullptr;
  GVariant* result = g_dbus_connection_call_sync(bus, kName, path, interface, method, args, nullptr,
                                                 G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, &error);
  if (!result) {
    std::fprintf(stderr, "press-keys: %s failed: %s\n", method, error->message);
    g_error_free(error);
  }
  return result;
}

bool SendKey(Keyboard& keyboard, unsigned code, bool pressed) {
  GVariant* reply = Call(keyboard.bus, keyboard.session.c_str(), kSessionInterface,
                         "NotifyKeyboardKeycode", g_variant_new("(ub)", code, pressed));
  if (reply) g_variant_unref(reply);
  return reply != nullptr;
}

void Type(Keyboard& keyboard, const std::string& line) {
  std::istringstream words(line);
  std::vector<std::vector<unsigned>> chords;
  std::string word;
  while (words >> word) {
    chords.emplace_back();
    if (!ParseChord(word, &chords.back())) {
      std::fprintf(stderr, "press-keys: unknown key in '%s'; typed nothing of '%s'\n", word.c_str(),
                   line.c_str());
      return;
    }
  }
  bool ok = true;
  for (const auto& chord : chords) {
    for (size_t k = 0; ok && k < chord.size(); ++k) ok = SendKey(keyboard, chord[k], true);
    for (size_t k = chord.size(); ok && k > 0; --k) ok = SendKey(keyboard, chord[k - 1], false);
  }
  if (!ok) {
    keyboard.failed = true;
    g_main_loop_quit(keyboard.loop);
    return;
  }
  std::fprintf(stderr, "press-keys: typed %s\n", line.c_str());
}

gboolean OnFifo(gint fd, GIOCondition, gpointer data) {
  Keyboard& keyboard = *static_cast<Keyboard*>(data);
  char buffer[512];
  const ssize_t n = read(fd, buffer, sizeof buffer);
  if (n <= 0) return n < 0 && errno == EINTR ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
  keyboard.pending.append(buffer, static_cast<size_t>(n));
  for (size_t end; (end = keyboard.pending.find('\n')) != std::string::npos;) {
    const std::string line = keyboard.pending.substr(0, end);
    keyboard.pending.erase(0, end + 1);
    Type(keyboard, line);
  }
  return G_SOURCE_CONTINUE;
}

gboolean OnStopSignal(gpointer data) {
  g_main_loop_quit(static_cast<Keyboard*>(data)->loop);
  return G_SOURCE_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: press-keys FIFO\n");
    return 2;
  }
  Keyboard keyboard;
  GError* error = nullptr;
  keyboard.bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (!keyboard.bus) {
    std::fprintf(stderr, "press-keys: no session bus: %s\n", error->message);
    return 1;
  }
  // mutter ends a remote-desktop session when the connection that made it
  // goes away, and takes its calls from that connection only.
  GVariant* created = Call(keyboard.bus, kPath, kName, "CreateSession", nullptr);
  if (!created) return 1;
  const char* session = nullptr;
  g_variant_get(created, "(&o)", &session);
  keyboard.session = session;
  g_variant_unref(created);
  GVariant* started =
      Call(keyboard.bus, keyboard.session.c_str(), kSessionInterface, "Start", nullptr);
  if (!started) return 1;
  g_variant_unref(started);
  if (!SendKey(keyboard, kShift, true) || !SendKey(keyboard, kShift, false)) return 1;

  // Opened for writing too, so that a writer closing it never ends the reads.
  unlink(argv[1]);
  if (mkfifo(argv[1], 0600) != 0 || (keyboard.fifo = open(argv[1], O_RDWR | O_CLOEXEC)) < 0) {
    std::fprintf(stderr, "press-keys: cannot make %s: %s\n", argv[1], std::strerror(errno));
    return 1;
  }
  keyboard.loop = g_main_loop_new(nullptr, FALSE);
  g_unix_fd_add(keyboard.fifo, G_IO_IN, OnFifo, &keyboard);
  g_unix_signal_add(SIGTERM, OnStopSignal, &keyboard);
  g_unix_signal_add(SIGINT, OnStopSignal, &keyboard);
  std::fprintf(stderr, "press-keys: session %s, reading %s\n", keyboard.session.c_str(), argv[1]);
  g_main_loop_run(keyboard.loop);

  GVariant* stopped =
      Call(keyboard.bus, keyboard.session.c_str(), kSessionInterface, "Stop", nullptr);
  if (stopped) g_variant_unref(stopped);
  close(keyboard.fifo);
  unlink(argv[1]);
  g_main_loop_unref(keyboard.loop);
  g_object_unref(keyboard.bus);
  return keyboard.failed ? 1 : 0;
}
