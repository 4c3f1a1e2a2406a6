// share-dialog: the desktop's screen-sharing dialog, for the tests, as a
// backend of the ScreenCast portal (org.freedesktop.impl.portal.ScreenCast).
//
// The portal frontend (xdg-desktop-portal) asks its backend to show the
// dialog; nobody can click one in a test, so this backend answers at each
// Start what the answer file says, read afresh every time:
//   grant   record the monitor through mutter's own org.gnome.Mutter.ScreenCast
//           API, as GNOME's backend does once its dialog is accepted, and hand
//           mutter's PipeWire node to the frontend;
//   grant-window  the same with the focused window in place of the monitor, as
//           when the user picks a window (mutter's RecordWindow with no
//           window id records the focused one: without GNOME Shell nothing
//           lists windows by id);
//   refuse  response 1, as when the user cancels the dialog;
//   close   response 2, as when the dialog goes away without an answer;
//   wait    no answer until the frontend gives up on the request (the client
//           went away or closed its session): a dialog left open.
// When mutter ends the recording, or leaves the bus, the portal session is
// closed (Closed on the impl Session), so the frontend tells the client.
//
// Usage: share-dialog [--bus-name NAME] ANSWER_FILE
// Logs one line per event on the error stream. Ends on SIGTERM or SIGINT.
#include <gio/gio.h>
#include <glib-unix.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kDefaultBusName = "org.freedesktop.impl.portal.desktop.bottlewatchtest";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kMutterName = "org.gnome.Mutter.ScreenCast";
constexpr const char* kMutterPath = "/org/gnome/Mutter/ScreenCast";
constexpr const char* kMutterSessionInterface = "org.gnome.Mutter.ScreenCast.Session";
constexpr const char* kMutterStreamInterface = "org.gnome.Mutter.ScreenCast.Stream";

// What the portal's ScreenCast version 4 passes to its backend and expects of it.
constexpr const char* kIntrospection = R"(<node>
  <interface name="org.freedesktop.impl.portal.ScreenCast">
    <method name="CreateSession">
      <arg type="o" name="handle" direction="in"/>
      <arg type="o" name="session_handle" direction="in"/>
      <arg type="s" name="app_id" direction="in"/>
      <arg type="a{sv}" name="options" direction="in"/>
      <arg type="u" name="response" direction="out"/>
      <arg type="a{sv}" name="results" direction="out"/>
    </method>
    <method name="SelectSources">
      <arg type="o" name="handle" direction="in"/>
      <arg type="o" name="session_handle" direction="in"/>
      <arg type="s" name="app_id" direction="in"/>
      <arg type="a{sv}" name="options" direction="in"/>
      <arg type="u" name="response" direction="out"/>
      <arg type="a{sv}" name="results" direction="out"/>
    </method>
    <method name="Start">
      <arg type="o" name="handle" direction="in"/>
      <arg type="o" name="session_handle" direction="in"/>
      <arg type="s" name="app_id" direction="in"/>
      <arg type="s" name="parent_window" direction="in"/>
      <arg type="a{sv}" name="options" direction="in"/>
      <arg type="u" name="response" direction="out"/>
      <arg type="a{sv}" name="results" direction="out"/>
    </method>
    <property name="AvailableSourceTypes" type="u" access="read"/>
    <property name="AvailableCursorModes" type="u" access="read"/>
    <property name="version" type="u" access="read"/>
  </interface>
  <interface name="org.freedesktop.impl.portal.Session">
    <method name="Close"/>
    <signal name="Closed"/>
    <property name="version" type="u" access="read"/>
  </interface>
  <interface name="org.freedesktop.impl.portal.Request">
    <method name="Close"/>
  </interface>
</node>)";

// The portal's numbers (bit flags) for source types and cursor modes.
constexpr guint32 kSourceMonitor = 1;
constexpr guint32 kSourceWindow = 2;
constexpr guint32 kCursorHidden = 1;
constexpr guint32 kCursorEmbedded = 2;
constexpr guint32 kCursorMetadata = 4;

// Responses of a portal request.
constexpr guint32 kResponseSuccess = 0;
constexpr guint32 kResponseCancelled = 1;
constexpr guint32 kResponseOther = 2;

void Log(const char* format, ...) G_GNUC_PRINTF(1, 2);
void Log(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::fputs("share-dialog: ", stderr);
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  va_end(args);
}

// One portal session as the frontend sees it, and the mutter recording
// behind it once granted.
struct Session {
  std::string handle;
  guint registration = 0;
  guint32 cursorMode = kCursorHidden;
  guint32 sourceType = kSourceMonitor;  // what the grant records
  // The pending Start and its Request object, while the "dialog" is open.
  GDBusMethodInvocation* start = nullptr;
  std::string requestHandle;
  guint requestRegistration = 0;
  // mutter's side.
  std::string mutterSession;
  std::string mutterStream;
  guint32 nodeId = 0;
  guint closedSubscription = 0;
  guint streamSubscription = 0;
};

struct Backend {
  GDBusConnection* bus = nullptr;
  GDBusNodeInfo* introspection = nullptr;
  std::string answerFile;
  std::map<std::string, std::unique_ptr<Session>> sessions;
  GMainLoop* loop = nullptr;
  int status = 0;
};

Backend backend;

Session* FindSession(const std::string& handle) {
  auto it = backend.sessions.find(handle);
  return it == backend.sessions.end() ? nullptr : it->second.get();
}

// mutter's cursor-mode property: 0 hidden, 1 embedded, 2 metadata.
guint32 MutterCursorMode(guint32 portalMode) {
  switch (portalMode) {
    case kCursorEmbedded:
      return 1;
    case kCursorMetadata:
      return 2;
    default:
      return 0;
  }
}

std::string ReadAnswer() {
  gchar* contents = nullptr;
  if (!g_file_get_contents(backend.answerFile.c_str(), &contents, nullptr, nullptr)) {
    return "(unreadable " + backend.answerFile + ")";
  }
  std::string answer = g_strstrip(contents);
  g_free(contents);
  return answer;
}

void ForgetRequest(Session& session) {
  if (session.requestRegistration != 0) {
    g_dbus_connection_unregister_object(backend.bus, session.requestRegistration);
  }
  session.requestRegistration = 0;
  session.requestHandle.clear();
}

// Answers the pending Start, if any.
void AnswerStart(Session& session, guint32 response, GVariant* results) {
  if (session.start == nullptr) {
    if (results != nullptr) g_variant_unref(g_variant_ref_sink(results));
    return;
  }
  if (results == nullptr) results = g_variant_new("a{sv}", nullptr);
  g_dbus_method_invocation_return_value(session.start,
                                        g_variant_new("(u@a{sv})", response, results));
  session.start = nullptr;
  ForgetRequest(session);
}

// Stops mutter's recording (when it still runs) and forgets it.
void DropRecording(Session& session, bool stopIt) {
  if (session.closedSubscription != 0) {
    g_dbus_connection_signal_unsubscribe(backend.bus, session.closedSubscription);
  }
  if (session.streamSubscription != 0) {
    g_dbus_connection_signal_unsubscribe(backend.bus, session.streamSubscription);
  }
  session.closedSubscription = session.streamSubscription = 0;
  if (stopIt && !session.mutterSession.empty()) {
    g_dbus_connection_call(backend.bus, kMutterName, session.mutterSession.c_str(),
                           kMutterSessionInterface, "Stop", nullptr, nullptr,
                           G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, nullptr, nullptr);
  }
  session.mutterSession.clear();
  session.mutterStream.clear();
}

// Ends a portal session. closedByUs: the recording ended on the desktop's
// side, so the frontend is told with Closed; otherwise the frontend asked.
void EndSession(const std::string& handle, bool closedByUs, const char* why) {
  Session* session = FindSession(handle);
  if (session == nullptr) return;
  Log("session %s ends: %s", handle.c_str(), why);
  AnswerStart(*session, kResponseOther, nullptr);
  DropRecording(*session, !closedByUs);
  if (closedByUs) {
    GError* error = nullptr;
    if (!g_dbus_connection_emit_signal(backend.bus, nullptr, handle.c_str(),
                                       "org.freedesktop.impl.portal.Session", "Closed", nullptr,
                                       &error)) {
      Log("cannot emit Closed: %s", error->message);
      g_error_free(error);
    }
  }
  if (session->registration != 0) {
    g_dbus_connection_unregister_object(backend.bus, session->registration);
  }
  backend.sessions.erase(handle);
}

// Each asynchronous step carries the session's handle, never a pointer: the
// session may have ended while mutter was answering.
gpointer HandleCopy(const Session& session) {
  return g_strdup(session.handle.c_str());
}

// Takes a finished call's reply; on error ends the grant with response 2.
GVariant* FinishStep(GObject* source, GAsyncResult* result, Session* session, const char* step) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  if (reply == nullptr) {
    if (session != nullptr) {
      Log("mutter %s failed: %s", step, error->message);
      AnswerStart(*session, kResponseOther, nullptr);
      DropRecording(*session, true);
    }
    g_error_free(error);
  }
  return reply;
}

void OnStreamParameters(GObject* source, GAsyncResult* result, gpointer data) {
  gchar* handle = static_cast<gchar*>(data);
  Session* session = FindSession(handle);
  g_free(handle);
  GVariant* reply = FinishStep(source, result, session, "stream Parameters");
  if (reply == nullptr) return;
  GVariant* boxed = nullptr;
  g_variant_get(reply, "(v)", &boxed);
  g_variant_unref(reply);
  if (session == nullptr || session->start == nullptr) {
    g_variant_unref(boxed);
    return;
  }
  gint32 x = 0, y = 0, width = 0, height = 0;
  g_variant_lookup(boxed, "position", "(ii)", &x, &y);
  g_variant_lookup(boxed, "size", "(ii)", &width, &height);
  g_variant_unref(boxed);

  const guint32 nodeId = session->nodeId;
  GVariantBuilder streamProperties;
  g_variant_builder_init(&streamProperties, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&streamProperties, "{sv}", "position", g_variant_new("(ii)", x, y));
  g_variant_builder_add(&streamProperties, "{sv}", "size", g_variant_new("(ii)", width, height));
  g_variant_builder_add(&streamProperties, "{sv}", "source_type",
                        g_variant_new_uint32(session->sourceType));
  GVariantBuilder streams;
  g_variant_builder_init(&streams, G_VARIANT_TYPE("a(ua{sv})"));
  g_variant_builder_add(&streams, "(ua{sv})", nodeId, &streamProperties);
  GVariantBuilder results;
  g_variant_builder_init(&results, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&results, "{sv}", "streams", g_variant_builder_end(&streams));
  Log("granted: PipeWire node %u, %s at %d,%d size %dx%d", nodeId,
      session->sourceType == kSourceWindow ? "window" : "monitor", x, y, width, height);
  AnswerStart(*session, kResponseSuccess, g_variant_builder_end(&results));
}

void OnStreamAdded(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                   GVariant* parameters, gpointer data) {
  const std::string handle = static_cast<const gchar*>(data);
  Session* session = FindSession(handle);
  if (session == nullptr) return;
  g_variant_get(parameters, "(u)", &session->nodeId);
  g_dbus_connection_call(
      backend.bus, kMutterName, session->mutterStream.c_str(), "org.freedesktop.DBus.Properties",
      "Get", g_variant_new("(ss)", kMutterStreamInterface, "Parameters"), G_VARIANT_TYPE("(v)"),
      G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, OnStreamParameters, HandleCopy(*session));
}

void OnMutterSessionClosed(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                           GVariant*, gpointer data) {
  const std::string handle = static_cast<const gchar*>(data);
  EndSession(handle, true, "mutter closed the recording");
}

void OnMutterStarted(GObject* source, GAsyncResult* result, gpointer data) {
  gchar* handle = static_cast<gchar*>(data);
  Session* session = FindSession(handle);
  g_free(handle);
  GVariant* reply = FinishStep(source, result, session, "Session.Start");
  if (reply != nullptr) g_variant_unref(reply);
  // The answer goes out when mutter announces the stream's PipeWire node.
}

void OnSourceRecorded(GObject* source, GAsyncResult* result, gpointer data) {
  gchar* handle = static_cast<gchar*>(data);
  Session* session = FindSession(handle);
  g_free(handle);
  GVariant* reply = FinishStep(source, result, session, "Record");
  if (reply == nullptr) return;
  const gchar* stream = nullptr;
  g_variant_get(reply, "(&o)", &stream);
  if (session != nullptr) {
    session->mutterStream = stream;
    session->streamSubscription = g_dbus_connection_signal_subscribe(
        backend.bus, kMutterName, kMutterStreamInterface, "PipeWireStreamAdded", stream, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, OnStreamAdded, g_strdup(session->handle.c_str()), g_free);
    g_dbus_connection_call(backend.bus, kMutterName, session->mutterSession.c_str(),
                           kMutterSessionInterface, "Start", nullptr, nullptr,
                           G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, OnMutterStarted,
                           HandleCopy(*session));
  }
  g_variant_unref(reply);
}

void OnMutterSessionCreated(GObject* source, GAsyncResult* result, gpointer data) {
  gchar* handle = static_cast<gchar*>(data);
  Session* session = FindSession(handle);
  g_free(handle);
  GVariant* reply = FinishStep(source, result, session, "CreateSession");
  if (reply == nullptr) return;
  const gchar* path = nullptr;
  g_variant_get(reply, "(&o)", &path);
  if (session == nullptr) {
    // The portal session ended meanwhile: mutter's is not wanted.
    g_dbus_connection_call(backend.bus, kMutterName, path, kMutterSessionInterface, "Stop", nullptr,
                           nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, nullptr, nullptr);
    g_variant_unref(reply);
    return;
  }
  session->mutterSession = path;
  session->closedSubscription = g_dbus_connection_signal_subscribe(
      backend.bus, kMutterName, kMutterSessionInterface, "Closed", path, nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE, OnMutterSessionClosed, g_strdup(session->handle.c_str()), g_free);
  g_variant_unref(reply);

  GVariantBuilder properties;
  g_variant_builder_init(&properties, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&properties, "{sv}", "cursor-mode",
                        g_variant_new_uint32(MutterCursorMode(session->cursorMode)));
  // An empty connector is mutter's primary monitor, the one virtual monitor
  // here; no window id is the focused window.
  const bool window = session->sourceType == kSourceWindow;
  g_dbus_connection_call(
      backend.bus, kMutterName, session->mutterSession.c_str(), kMutterSessionInterface,
      window ? "RecordWindow" : "RecordMonitor",
      window ? g_variant_new("(a{sv})", &properties) : g_variant_new("(sa{sv})", "", &properties),
      G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, OnSourceRecorded,
      HandleCopy(*session));
}

void Grant(Session& session) {
  GVariantBuilder properties;
  g_variant_builder_init(&properties, G_VARIANT_TYPE_VARDICT);
  g_dbus_connection_call(backend.bus, kMutterName, kMutterPath, kMutterName, "CreateSession",
                         g_variant_new("(a{sv})", &properties), G_VARIANT_TYPE("(o)"),
                         G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, OnMutterSessionCreated,
                         HandleCopy(session));
}

void HandleRequestCall(GDBusConnection*, const gchar*, const gchar* path, const gchar*,
                       const gchar*, GVariant*, GDBusMethodInvocation* invocation, gpointer) {
  // The frontend gave up on a pending Start (its client left or closed).
  for (auto& [handle, session] : backend.sessions) {
    if (session->requestHandle == path) {
      Log("request %s closed by the frontend", path);
      AnswerStart(*session, kResponseOther, nullptr);
      DropRecording(*session, true);
      break;
    }
  }
  g_dbus_method_invocation_return_value(invocation, nullptr);
}

void HandleSessionCall(GDBusConnection*, const gchar*, const gchar* path, const gchar*,
                       const gchar*, GVariant*, GDBusMethodInvocation* invocation, gpointer) {
  g_dbus_method_invocation_return_value(invocation, nullptr);
  EndSession(path, false, "closed by the frontend");
}

GVariant* GetSessionProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                             const gchar*, GError**, gpointer) {
  return g_variant_new_uint32(1);
}

const GDBusInterfaceVTable kRequestVTable = {HandleRequestCall, nullptr, nullptr, {}};
const GDBusInterfaceVTable kSessionVTable = {HandleSessionCall, GetSessionProperty, nullptr, {}};

guint Register(const char* path, const char* interfaceName, const GDBusInterfaceVTable* vtable,
               GError** error) {
  return g_dbus_connection_register_object(
      backend.bus, path, g_dbus_node_info_lookup_interface(backend.introspection, interfaceName),
      vtable, nullptr, nullptr, error);
}

void ReturnEmpty(GDBusMethodInvocation* invocation, guint32 response) {
  g_dbus_method_invocation_return_value(
      invocation, g_variant_new("(u@a{sv})", response, g_variant_new("a{sv}", nullptr)));
}

void HandleCreateSession(GVariant* parameters, GDBusMethodInvocation* invocation) {
  const gchar* handle = nullptr;
  const gchar* sessionHandle = nullptr;
  const gchar* appId = nullptr;
  g_variant_get(parameters, "(&o&o&s@a{sv})", &handle, &sessionHandle, &appId, nullptr);
  auto session = std::make_unique<Session>();
  session->handle = sessionHandle;
  GError* error = nullptr;
  session->registration =
      Register(sessionHandle, "org.freedesktop.impl.portal.Session", &kSessionVTable, &error);
  if (session->registration == 0) {
    Log("cannot export session %s: %s", sessionHandle, error->message);
    g_dbus_method_invocation_return_gerror(invocation, error);
    g_error_free(error);
    return;
  }
  Log("session %s created for app '%s'", sessionHandle, appId);
  backend.sessions[sessionHandle] = std::move(session);
  ReturnEmpty(invocation, kResponseSuccess);
}

void HandleSelectSources(GVariant* parameters, GDBusMethodInvocation* invocation) {
  const gchar* sessionHandle = nullptr;
  GVariant* options = nullptr;
  g_variant_get(parameters, "(&o&o&s@a{sv})", nullptr, &sessionHandle, nullptr, &options);
  Session* session = FindSession(sessionHandle);
  if (session == nullptr) {
    g_variant_unref(options);
    ReturnEmpty(invocation, kResponseOther);
    return;
  }
  guint32 types = kSourceMonitor;
  gboolean multiple = FALSE;
  g_variant_lookup(options, "types", "u", &types);
  g_variant_lookup(options, "multiple", "b", &multiple);
  g_variant_lookup(options, "cursor_mode", "u", &session->cursorMode);
  g_variant_unref(options);
  Log("session %s selects types %u, multiple %s, cursor mode %u", sessionHandle, types,
      multiple ? "true" : "false", session->cursorMode);
  ReturnEmpty(invocation, kResponseSuccess);
}

void HandleStart(GVariant* parameters, GDBusMethodInvocation* invocation) {
  const gchar* handle = nullptr;
  const gchar* sessionHandle = nullptr;
  g_variant_get(parameters, "(&o&o&s&s@a{sv})", &handle, &sessionHandle, nullptr, nullptr, nullptr);
  Session* session = FindSession(sessionHandle);
  if (session == nullptr || session->start != nullptr) {
    ReturnEmpty(invocation, kResponseOther);
    return;
  }
  const std::string answer = ReadAnswer();
  Log("Start on session %s: answer '%s'", sessionHandle, answer.c_str());
  if (answer == "refuse") {
    ReturnEmpty(invocation, kResponseCancelled);
    return;
  }
  if (answer != "grant" && answer != "grant-window" && answer != "wait") {
    if (answer != "close") Log("unknown answer '%s': closing the dialog", answer.c_str());
    ReturnEmpty(invocation, kResponseOther);
    return;
  }
  GError* error = nullptr;
  session->requestRegistration =
      Register(handle, "org.freedesktop.impl.portal.Request", &kRequestVTable, &error);
  if (session->requestRegistration == 0) {
    Log("cannot export request %s: %s", handle, error->message);
    g_error_free(error);
  } else {
    session->requestHandle = handle;
  }
  session->start = invocation;
  session->sourceType = answer == "grant-window" ? kSourceWindow : kSourceMonitor;
  if (answer != "wait") Grant(*session);
}

void HandlePortalCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                      const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                      gpointer) {
  if (std::strcmp(method, "CreateSession") == 0) {
    HandleCreateSession(parameters, invocation);
  } else if (std::strcmp(method, "SelectSources") == 0) {
    HandleSelectSources(parameters, invocation);
  } else if (std::strcmp(method, "Start") == 0) {
    HandleStart(parameters, invocation);
  } else {
    g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD,
                                          "no method %s", method);
  }
}

GVariant* GetPortalProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                            const gchar* name, GError**, gpointer) {
  if (std::strcmp(name, "AvailableSourceTypes") == 0) {
    return g_variant_new_uint32(kSourceMonitor | kSourceWindow);
  }
  if (std::strcmp(name, "AvailableCursorModes") == 0) {
    return g_variant_new_uint32(kCursorHidden | kCursorEmbedded | kCursorMetadata);
  }
  return g_variant_new_uint32(4);  // version
}

const GDBusInterfaceVTable kPortalVTable = {HandlePortalCall, GetPortalProperty, nullptr, {}};

void OnMutterVanished(GDBusConnection*, const gchar*, gpointer) {
  std::vector<std::string> recording;
  for (auto& [handle, session] : backend.sessions) {
    if (!session->mutterSession.empty()) recording.push_back(handle);
  }
  for (const std::string& handle : recording) {
    EndSession(handle, true, "mutter left the bus");
  }
}

void OnNameLost(GDBusConnection*, const gchar* name, gpointer) {
  Log("cannot own the bus name %s (another backend runs?)", name);
  backend.status = 1;
  g_main_loop_quit(backend.loop);
}

void OnNameAcquired(GDBusConnection*, const gchar* name, gpointer) {
  Log("serving %s, answers from %s", name, backend.answerFile.c_str());
}

gboolean OnSignal(gpointer) {
  g_main_loop_quit(backend.loop);
  return G_SOURCE_REMOVE;
}

}  // namespace

int main(int argc, char** argv) {
  std::string busName = kDefaultBusName;
  int argi = 1;
  if (argi + 1 < argc && std::strcmp(argv[argi], "--bus-name") == 0) {
    busName = argv[argi + 1];
    argi += 2;
  }
  if (argi + 1 != argc || argv[argi][0] == '-') {
    std::fprintf(stderr, "usage: share-dialog [--bus-name NAME] ANSWER_FILE\n");
    return 2;
  }
  backend.answerFile = argv[argi];

  GError* error = nullptr;
  backend.bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (backend.bus == nullptr) {
    Log("no session bus: %s", error->message);
    return 1;
  }
  backend.introspection = g_dbus_node_info_new_for_xml(kIntrospection, &error);
  if (backend.introspection == nullptr ||
      Register(kPortalPath, "org.freedesktop.impl.portal.ScreenCast", &kPortalVTable, &error) ==
          0) {
    Log("cannot export the portal backend: %s", error->message);
    return 1;
  }
  backend.loop = g_main_loop_new(nullptr, FALSE);
  g_unix_signal_add(SIGTERM, OnSignal, nullptr);
  g_unix_signal_add(SIGINT, OnSignal, nullptr);
  g_bus_watch_name_on_connection(backend.bus, kMutterName, G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr,
                                 OnMutterVanished, nullptr, nullptr);
  g_bus_own_name_on_connection(backend.bus, busName.c_str(), G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
                               OnNameAcquired, OnNameLost, nullptr, nullptr);
  g_main_loop_run(backend.loop);

  // Recordings of ours end with us.
  std::vector<std::string> handles;
  for (auto& [handle, session] : backend.sessions) handles.push_back(handle);
  for (const std::string& handle : handles) EndSession(handle, true, "share-dialog stops");
  g_dbus_connection_flush_sync(backend.bus, nullptr, nullptr);
  return backend.status;
}
