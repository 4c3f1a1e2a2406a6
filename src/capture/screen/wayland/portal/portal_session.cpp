// The screen-sharing portal's requests and answers, through GIO's D-Bus
// client, and the remembered share that lets a later run skip the dialog.
#include "capture/screen/wayland/portal/portal_session.h"

#include <gio/gio.h>
#include <gio/gunixfdlist.h>

#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>

#include "capture/screen/screen_sources.h"
#include "capture/screen/wayland/portal/restore_token_file.h"

namespace {

constexpr char kPortalName[] = "org.freedesktop.portal.Desktop";
constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";
constexpr char kScreenCast[] = "org.freedesktop.portal.ScreenCast";

// The portal's source types and cursor modes, as bit flags.
constexpr guint32 kMonitorSource = 1;
constexpr guint32 kWindowSource = 2;
constexpr guint32 kHiddenCursor = 1;

// The ScreenCast version that brought persist_mode and restore tokens, and
// the mode that keeps a share until the user revokes it (1 would keep it only
// while this process runs, which is no use to the next start).
constexpr guint32 kRememberingVersion = 4;
constexpr guint32 kPersistUntilRevoked = 2;

[[noreturn]] void Fail(const std::string& message) {
  throw std::runtime_error(message);
}

struct Conversation {
  GDBusConnection* bus = nullptr;
  guint32 version = 0;
  std::string session;  // the portal session's object path
  guint closedSubscription = 0;
  bool sessionClosed = false;
};

Conversation g_portal;

std::string Message(GError* error) {
  std::string text = error != nullptr ? error->message : "unknown error";
  g_clear_error(&error);
  return text;
}

// ---- The remembered share ---------------------------------------------------

// Trouble with the token's file is worth telling once, and never worth the run.
void Warn(const std::string& problem) {
  static bool warned = false;
  if (warned) return;
  warned = true;
  std::cerr << "bottlewatch: " << problem << std::endl;
}

std::string TokenPath() {
  static const std::string path =
      RestoreTokenPath(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
  return path;
}

// The token of the share remembered by an earlier run, or empty.
std::string RememberedToken() {
  std::string token;
  std::string problem;
  if (ReadRestoreToken(TokenPath(), token, problem) == TokenFile::kBad) {
    Warn(problem + "; asking the desktop afresh");
  }
  return token;
}

void ForgetShare() {
  std::string problem;
  if (!ForgetRestoreToken(TokenPath(), problem)) Warn(problem);
}

// Keeps token for the next run; anything but a token forgets the share.
void RememberShare(const std::string& token) {
  if (!IsRestoreToken(token)) return ForgetShare();
  std::string problem;
  if (!SaveRestoreToken(TokenPath(), token, problem)) Warn(problem);
}

// ---- The portal's requests --------------------------------------------------

struct Answer {
  bool received = false;
  guint32 response = 2;
  GVariant* results = nullptr;
};

void KeepAnswer(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                GVariant* parameters, gpointer data) {
  Answer* answer = static_cast<Answer*>(data);
  if (answer->received) return;
  g_variant_get(parameters, "(u@a{sv})", &answer->response, &answer->results);
  answer->received = true;
}

void NoteSessionClosed(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                       GVariant*, gpointer) {
  g_portal.sessionClosed = true;
}

// The object path the portal gives a request made with token: its sender part
// is our unique bus name without the colon, dots turned into underscores.
std::string RequestPath(GDBusConnection* bus, const std::string& token) {
  std::string sender = g_dbus_connection_get_unique_name(bus);
  if (!sender.empty() && sender[0] == ':') sender.erase(0, 1);
  for (char& c : sender) {
    if (c == '.') c = '_';
  }
  return std::string(kPortalPath) + "/request/" + sender + "/" + token;
}

std::string NextToken() {
  static int count = 0;
  return "bottlewatch" + std::to_string(++count);
}

// The portal's answers: 0 granted, 1 cancelled by the user, 2 ended some
// other way (a dialog closed, a desktop that refuses by policy).
std::string Refusal(guint32 response) {
  if (response == 1) return "screen sharing was not allowed (cancelled in the desktop's dialog)";
  return "screen sharing was refused by the desktop";
}

// Makes one request and waits for its answer, however long the user takes:
// the wait is a plain blocking poll, so Ctrl-C ends the advisor as anywhere
// else. The answer's subscription is made before the call, since the portal
// may answer before the call's own reply arrives. arguments holds every
// argument but the trailing options, which get the request's token here.
// Returns the answer's response (results then holds its results, or null);
// when the portal turns down the call itself, the line saying so goes to
// refusal and the response is 2.
guint32 Ask(const char* method, GVariantBuilder* arguments, GVariantBuilder* options,
            GVariant** results, std::string* refusal = nullptr) {
  Conversation& portal = g_portal;
  const std::string token = NextToken();
  const std::string path = RequestPath(portal.bus, token);
  g_variant_builder_add(options, "{sv}", "handle_token", g_variant_new_string(token.c_str()));
  g_variant_builder_add_value(arguments, g_variant_builder_end(options));
  Answer answer;
  const guint subscription = g_dbus_connection_signal_subscribe(
      portal.bus, kPortalName, "org.freedesktop.portal.Request", "Response", path.c_str(), nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE, KeepAnswer, &answer, nullptr);
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      portal.bus, kPortalName, kPortalPath, kScreenCast, method, g_variant_builder_end(arguments),
      G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &error);
  if (reply == nullptr) {
    g_dbus_connection_signal_unsubscribe(portal.bus, subscription);
    const std::string line = std::string("the desktop portal refused screen sharing's ") + method +
                             ": " + Message(error);
    if (refusal == nullptr) Fail(line);
    *refusal = line;
    *results = nullptr;
    return 2;
  }
  g_variant_unref(reply);
  while (!answer.received) {
    if (g_dbus_connection_is_closed(portal.bus)) Fail("lost the session bus");
    g_main_context_iteration(nullptr, TRUE);
  }
  g_dbus_connection_signal_unsubscribe(portal.bus, subscription);
  *results = answer.results;
  if (answer.response != 0 && refusal != nullptr) *refusal = Refusal(answer.response);
  return answer.response;
}

void RequireSuccess(guint32 response) {
  if (response != 0) Fail(Refusal(response));
}

// The ScreenCast interface's property name, or 0 when it cannot be read (error,
// when given, then says why).
guint32 ReadProperty(const char* name, GError** error = nullptr) {
  GVariant* reply = g_dbus_connection_call_sync(
      g_portal.bus, kPortalName, kPortalPath, "org.freedesktop.DBus.Properties", "Get",
      g_variant_new("(ss)", kScreenCast, name), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, -1,
      nullptr, error);
  if (reply == nullptr) return 0;
  GVariant* value = nullptr;
  g_variant_get(reply, "(v)", &value);
  const guint32 result =
      g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32) ? g_variant_get_uint32(value) : 0;
  g_variant_unref(value);
  g_variant_unref(reply);
  return result;
}

// Tells "no portal" from "a portal without screen sharing" from the rest, so
// the one error line says what is missing; returns the ScreenCast version.
guint32 RequireScreenCast() {
  GError* error = nullptr;
  const guint32 version = ReadProperty("version", &error);
  if (error == nullptr) return version;
  if (g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
      g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER)) {
    g_clear_error(&error);
    throw PortalMissing(std::string("no desktop portal on the session bus (nothing serves ") +
                        kPortalName + ")");
  }
  if (g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_INTERFACE) ||
      g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY) ||
      g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_OBJECT) ||
      g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD) ||
      g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS)) {
    g_clear_error(&error);
    throw PortalMissing(std::string("the desktop portal offers no screen sharing (no ") +
                        kScreenCast + ")");
  }
  throw PortalMissing("cannot reach the desktop portal: " + Message(error));
}

void CreateSession() {
  Conversation& portal = g_portal;
  GVariantBuilder arguments;
  g_variant_builder_init(&arguments, G_VARIANT_TYPE_TUPLE);
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&options, "{sv}", "session_handle_token",
                        g_variant_new_string(NextToken().c_str()));
  GVariant* results = nullptr;
  RequireSuccess(Ask("CreateSession", &arguments, &options, &results));
  const gchar* session = nullptr;
  if (results == nullptr || !g_variant_lookup(results, "session_handle", "&s", &session)) {
    Fail("the desktop portal gave no screen-sharing session");
  }
  portal.session = session;
  g_variant_unref(results);
  portal.closedSubscription = g_dbus_connection_signal_subscribe(
      portal.bus, kPortalName, "org.freedesktop.portal.Session", "Closed", portal.session.c_str(),
      nullptr, G_DBUS_SIGNAL_FLAGS_NONE, NoteSessionClosed, nullptr, nullptr);
}

void CloseSession() {
  Conversation& portal = g_portal;
  if (portal.session.empty() || g_dbus_connection_is_closed(portal.bus)) return;
  g_dbus_connection_signal_unsubscribe(portal.bus, portal.closedSubscription);
  GVariant* reply = g_dbus_connection_call_sync(
      portal.bus, kPortalName, portal.session.c_str(), "org.freedesktop.portal.Session", "Close",
      nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
  if (reply != nullptr) g_variant_unref(reply);
  portal.session.clear();
  portal.closedSubscription = 0;
}

// True when the portal took the choice of sources; otherwise refusal says why.
// persist asks the desktop to remember the share; token, when not empty,
// offers back the one it remembered before.
bool SelectSources(bool persist, const std::string& token, std::string& refusal) {
  Conversation& portal = g_portal;
  const guint32 available = ReadProperty("AvailableSourceTypes");
  guint32 types = kMonitorSource | kWindowSource;
  if (available != 0) types &= available;
  if (types == 0) types = available;
  GVariantBuilder arguments;
  g_variant_builder_init(&arguments, G_VARIANT_TYPE_TUPLE);
  g_variant_builder_add(&arguments, "o", portal.session.c_str());
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&options, "{sv}", "types", g_variant_new_uint32(types));
  g_variant_builder_add(&options, "{sv}", "multiple", g_variant_new_boolean(FALSE));
  // Cursor modes came with version 2; asking an older portal for one is an
  // error, and a pointer drawn over a cell is only a few pixels anyway.
  if (ReadProperty("AvailableCursorModes") & kHiddenCursor) {
    g_variant_builder_add(&options, "{sv}", "cursor_mode", g_variant_new_uint32(kHiddenCursor));
  }
  if (persist) {
    g_variant_builder_add(&options, "{sv}", "persist_mode",
                          g_variant_new_uint32(kPersistUntilRevoked));
  }
  // Only a well-formed token ever gets here: the portal fails the whole
  // request on anything else.
  if (!token.empty()) {
    g_variant_builder_add(&options, "{sv}", "restore_token", g_variant_new_string(token.c_str()));
  }
  GVariant* results = nullptr;
  const guint32 response = Ask("SelectSources", &arguments, &options, &results, &refusal);
  if (results != nullptr) g_variant_unref(results);
  return response == 0;
}

// Shows the desktop's dialog, unless it grants a remembered share by itself.
// Returns the PipeWire node of the granted screen or window; token gets the
// token that remembers this share, empty when the desktop gave none.
uint32_t Start(std::string& token) {
  Conversation& portal = g_portal;
  std::cerr << "bottlewatch: waiting for the desktop to allow screen sharing" << std::endl;
  GVariantBuilder arguments;
  g_variant_builder_init(&arguments, G_VARIANT_TYPE_TUPLE);
  g_variant_builder_add(&arguments, "o", portal.session.c_str());
  g_variant_builder_add(&arguments, "s", "");
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
  GVariant* results = nullptr;
  RequireSuccess(Ask("Start", &arguments, &options, &results));
  GVariant* streams = results != nullptr
                          ? g_variant_lookup_value(results, "streams", G_VARIANT_TYPE("a(ua{sv})"))
                          : nullptr;
  if (streams == nullptr || g_variant_n_children(streams) == 0) {
    Fail("the desktop allowed screen sharing but gave no stream");
  }
  guint32 node = 0;
  g_variant_get_child(streams, 0, "(u@a{sv})", &node, nullptr);
  g_variant_unref(streams);
  const gchar* restoreToken = nullptr;
  token = g_variant_lookup(results, "restore_token", "&s", &restoreToken) ? restoreToken : "";
  g_variant_unref(results);
  return node;
}

// The PipeWire connection that only sees what the user granted.
int OpenPipeWireRemote() {
  Conversation& portal = g_portal;
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
  GUnixFDList* descriptors = nullptr;
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_with_unix_fd_list_sync(
      portal.bus, kPortalName, kPortalPath, kScreenCast, "OpenPipeWireRemote",
      g_variant_new("(oa{sv})", portal.session.c_str(), &options), G_VARIANT_TYPE("(h)"),
      G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &descriptors, nullptr, &error);
  if (reply == nullptr) Fail("cannot open the screen-sharing stream: " + Message(error));
  gint32 index = 0;
  g_variant_get(reply, "(h)", &index);
  g_variant_unref(reply);
  const int fd = descriptors != nullptr ? g_unix_fd_list_get(descriptors, index, &error) : -1;
  if (descriptors != nullptr) g_object_unref(descriptors);
  if (fd < 0) Fail("cannot open the screen-sharing stream: " + Message(error));
  return fd;
}

}  // namespace

void ConnectToPortal() {
  Conversation& portal = g_portal;
  if (portal.bus != nullptr) return;
  GError* error = nullptr;
  portal.bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (portal.bus == nullptr) throw PortalMissing("cannot reach the session bus: " + Message(error));
  // GIO would end the process with SIGTERM, silently, when the bus goes.
  g_dbus_connection_set_exit_on_close(portal.bus, FALSE);
  portal.version = RequireScreenCast();
}

GrantedShare AskForShare() {
  // An older portal knows no remembered shares: asked as it always was, and
  // the file is not touched.
  const bool canRemember = g_portal.version >= kRememberingVersion;
  if (canRemember && TokenPath().empty()) {
    Warn("cannot remember the screen share: neither XDG_STATE_HOME nor HOME names a folder");
  }
  const bool remember = canRemember && !TokenPath().empty();
  std::string token = remember ? RememberedToken() : "";
  std::string refusal;
  CreateSession();
  if (!token.empty() && !SelectSources(true, token, refusal)) {
    // The portal would not take the remembered share: it is dropped, and a
    // fresh session asks the user as if none had been remembered.
    ForgetShare();
    token.clear();
    CloseSession();
    CreateSession();
  }
  if (token.empty() && !SelectSources(remember, "", refusal)) Fail(refusal);
  GrantedShare granted;
  granted.node = Start(token);
  // Tokens are good for one start: the newest is kept, and none (the user
  // unticked the desktop's "remember" box) means nothing is remembered.
  if (remember) RememberShare(token);
  granted.pipeWireFd = OpenPipeWireRemote();
  return granted;
}

void DispatchPortal() {
  for (int k = 0; k < 64 && g_main_context_iteration(nullptr, FALSE); ++k) {
  }
}

std::string PortalShareEnded() {
  const Conversation& portal = g_portal;
  if (portal.sessionClosed) return "screen sharing ended (stopped from the desktop)";
  if (g_dbus_connection_is_closed(portal.bus)) return "screen sharing ended (lost the session bus)";
  return "";
}

void ClosePortalSession() {
  Conversation& portal = g_portal;
  if (portal.bus == nullptr) return;
  CloseSession();
  g_object_unref(portal.bus);
  portal = Conversation{};
}
