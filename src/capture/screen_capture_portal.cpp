// Screen capture on a Wayland desktop, where no client may read the screen by
// itself: the desktop portal's ScreenCast asks the user, in the desktop's own
// dialog, for a screen or a window, and hands over a PipeWire stream of it.
//
// The portal is reached through GIO's D-Bus client and the stream through
// libpipewire, both driven from the frame cycle's own thread: each capture
// first lets the stream deliver what it has, without waiting, then packs the
// newest picture. A desktop sends a frame only when something changed, so the
// newest picture may be the one the last capture saw. The session and the
// stream are set up on the first capture and kept for the process's life.
#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>

#include "capture/bitmap_file.h"
#include "capture/packed_dib.h"
#include "capture/screen_sources.h"
#include "capture/video_frame.h"

namespace {

constexpr char kPortalName[] = "org.freedesktop.portal.Desktop";
constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";
constexpr char kScreenCast[] = "org.freedesktop.portal.ScreenCast";

// The portal's source types and cursor modes, as bit flags.
constexpr guint32 kMonitorSource = 1;
constexpr guint32 kWindowSource = 2;
constexpr guint32 kHiddenCursor = 1;

// A desktop sends its first picture as soon as the stream runs; one that has
// sent none after this long is not going to.
constexpr auto kFirstPictureWait = std::chrono::seconds(10);

[[noreturn]] void Fail(const std::string& message) {
  throw std::runtime_error(message);
}

struct DibOwner {
  PackedDib dib;
  ~DibOwner() { FreePackedDib(dib); }
};

// Everything that lives from one capture to the next. Plain data with no
// destructor: at exit nothing is torn down, as with the X connection.
struct Portal {
  GDBusConnection* bus = nullptr;
  std::string session;  // the portal session's object path
  bool sessionClosed = false;

  pw_loop* loop = nullptr;
  pw_context* context = nullptr;
  pw_core* core = nullptr;
  pw_stream* stream = nullptr;
  spa_hook coreListener = {};
  spa_hook streamListener = {};

  VideoFormat format = VideoFormat::kUnknown;
  int width = 0;
  int height = 0;
  // The newest buffer with a picture, kept out of the stream until a newer
  // one arrives; the desktop draws into the others meanwhile.
  pw_buffer* held = nullptr;
  bool streamed = false;  // the stream has run, so losing it ends the sharing
  bool streamEnded = false;
  std::string streamError;
};

Portal g_portal;

// ---- The portal's requests ------------------------------------------------

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

std::string Message(GError* error) {
  std::string text = error != nullptr ? error->message : "unknown error";
  g_clear_error(&error);
  return text;
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

// Makes one request and waits for its answer, however long the user takes:
// the wait is a plain blocking poll, so Ctrl-C ends the advisor as anywhere
// else. The answer's subscription is made before the call, since the portal
// may answer before the call's own reply arrives. arguments holds every
// argument but the trailing options, which get the request's token here.
guint32 Ask(const char* method, GVariantBuilder* arguments, GVariantBuilder* options,
            GVariant** results) {
  Portal& portal = g_portal;
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
    Fail(std::string("the desktop portal refused screen sharing's ") + method + ": " +
         Message(error));
  }
  g_variant_unref(reply);
  while (!answer.received) {
    if (g_dbus_connection_is_closed(portal.bus)) Fail("lost the session bus");
    g_main_context_iteration(nullptr, TRUE);
  }
  g_dbus_connection_signal_unsubscribe(portal.bus, subscription);
  *results = answer.results;
  return answer.response;
}

// The portal's answers: 0 granted, 1 cancelled by the user, 2 ended some
// other way (a dialog closed, a desktop that refuses by policy).
void RequireSuccess(guint32 response) {
  if (response == 0) return;
  if (response == 1) Fail("screen sharing was not allowed (cancelled in the desktop's dialog)");
  Fail("screen sharing was refused by the desktop");
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
// the one error line says what is missing.
void RequireScreenCast() {
  GError* error = nullptr;
  ReadProperty("version", &error);
  if (error == nullptr) return;
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
  Portal& portal = g_portal;
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
  g_dbus_connection_signal_subscribe(portal.bus, kPortalName, "org.freedesktop.portal.Session",
                                     "Closed", portal.session.c_str(), nullptr,
                                     G_DBUS_SIGNAL_FLAGS_NONE, NoteSessionClosed, nullptr, nullptr);
}

void SelectSources() {
  Portal& portal = g_portal;
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
  GVariant* results = nullptr;
  RequireSuccess(Ask("SelectSources", &arguments, &options, &results));
  if (results != nullptr) g_variant_unref(results);
}

// Shows the desktop's dialog and returns the PipeWire node of the granted
// screen or window.
uint32_t Start() {
  Portal& portal = g_portal;
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
  g_variant_unref(results);
  return node;
}

// The PipeWire connection that only sees what the user granted.
int OpenPipeWireRemote() {
  Portal& portal = g_portal;
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

// ---- The stream -----------------------------------------------------------

VideoFormat FormatOf(uint32_t spaFormat) {
  switch (spaFormat) {
    case SPA_VIDEO_FORMAT_BGRx:
      return VideoFormat::kBgrx;
    case SPA_VIDEO_FORMAT_BGRA:
      return VideoFormat::kBgra;
    case SPA_VIDEO_FORMAT_RGBx:
      return VideoFormat::kRgbx;
    case SPA_VIDEO_FORMAT_RGBA:
      return VideoFormat::kRgba;
    default:
      return VideoFormat::kUnknown;
  }
}

bool HoldsPicture(const pw_buffer* buffer) {
  const spa_buffer* b = buffer->buffer;
  if (b->n_datas < 1 || b->datas[0].data == nullptr || b->datas[0].chunk == nullptr) return false;
  const spa_data& data = b->datas[0];
  if (data.type != SPA_DATA_MemFd && data.type != SPA_DATA_MemPtr) return false;
  // A buffer with no bytes carries only a pointer move or other metadata.
  if (data.chunk->size == 0 || (data.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) != 0) return false;
  const auto* header = static_cast<const spa_meta_header*>(
      spa_buffer_find_meta_data(b, SPA_META_Header, sizeof(spa_meta_header)));
  return header == nullptr || (header->flags & SPA_META_HEADER_FLAG_CORRUPTED) == 0;
}

void TakeNewestPicture(void*) {
  Portal& portal = g_portal;
  pw_buffer* newest = nullptr;
  while (pw_buffer* buffer = pw_stream_dequeue_buffer(portal.stream)) {
    if (!HoldsPicture(buffer)) {
      pw_stream_queue_buffer(portal.stream, buffer);
      continue;
    }
    if (newest != nullptr) pw_stream_queue_buffer(portal.stream, newest);
    newest = buffer;
  }
  if (newest == nullptr) return;
  if (portal.held != nullptr) pw_stream_queue_buffer(portal.stream, portal.held);
  portal.held = newest;
}

void ForgetBuffer(void*, pw_buffer* buffer) {
  if (g_portal.held == buffer) g_portal.held = nullptr;
}

void NoteStreamState(void*, pw_stream_state, pw_stream_state state, const char* error) {
  Portal& portal = g_portal;
  if (state == PW_STREAM_STATE_STREAMING || state == PW_STREAM_STATE_PAUSED) portal.streamed = true;
  if (state == PW_STREAM_STATE_ERROR || (state == PW_STREAM_STATE_UNCONNECTED && portal.streamed)) {
    portal.streamEnded = true;
    if (error != nullptr) portal.streamError = error;
  }
}

void NoteCoreError(void*, uint32_t id, int, int result, const char* message) {
  if (id != PW_ID_CORE) return;
  g_portal.streamEnded = true;
  g_portal.streamError = message != nullptr ? message : std::strerror(-result);
}

// Once the desktop has chosen a format: shared-memory buffers only (DMA-BUF
// would need a GPU to read), and the crop rectangle of a window's buffer.
void AcceptFormat(void*, uint32_t id, const spa_pod* param) {
  Portal& portal = g_portal;
  if (id != SPA_PARAM_Format || param == nullptr) return;
  spa_video_info_raw info = {};
  if (spa_format_video_raw_parse(param, &info) < 0) return;
  portal.format = FormatOf(info.format);
  portal.width = static_cast<int>(info.size.width);
  portal.height = static_cast<int>(info.size.height);

  uint8_t storage[512];
  spa_pod_builder builder;
  spa_pod_builder_init(&builder, storage, sizeof storage);
  const spa_pod* params[3];
  spa_pod_frame frame;
  spa_pod_builder_push_object(&builder, &frame, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers);
  spa_pod_builder_prop(&builder, SPA_PARAM_BUFFERS_dataType, 0);
  spa_pod_builder_int(&builder, (1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr));
  params[0] = static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &frame));
  spa_pod_builder_push_object(&builder, &frame, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta);
  spa_pod_builder_prop(&builder, SPA_PARAM_META_type, 0);
  spa_pod_builder_id(&builder, SPA_META_VideoCrop);
  spa_pod_builder_prop(&builder, SPA_PARAM_META_size, 0);
  spa_pod_builder_int(&builder, sizeof(spa_meta_region));
  params[1] = static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &frame));
  spa_pod_builder_push_object(&builder, &frame, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta);
  spa_pod_builder_prop(&builder, SPA_PARAM_META_type, 0);
  spa_pod_builder_id(&builder, SPA_META_Header);
  spa_pod_builder_prop(&builder, SPA_PARAM_META_size, 0);
  spa_pod_builder_int(&builder, sizeof(spa_meta_header));
  params[2] = static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &frame));
  pw_stream_update_params(portal.stream, params, 3);
}

// The formats we read: the four shared-memory layouts compositors use, any
// size, any rate.
const spa_pod* VideoFormats(spa_pod_builder& builder) {
  spa_pod_frame object;
  spa_pod_frame choice;
  spa_pod_builder_push_object(&builder, &object, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
  spa_pod_builder_prop(&builder, SPA_FORMAT_mediaType, 0);
  spa_pod_builder_id(&builder, SPA_MEDIA_TYPE_video);
  spa_pod_builder_prop(&builder, SPA_FORMAT_mediaSubtype, 0);
  spa_pod_builder_id(&builder, SPA_MEDIA_SUBTYPE_raw);
  spa_pod_builder_prop(&builder, SPA_FORMAT_VIDEO_format, 0);
  spa_pod_builder_push_choice(&builder, &choice, SPA_CHOICE_Enum, 0);
  spa_pod_builder_id(&builder, SPA_VIDEO_FORMAT_BGRx);  // the preferred one comes first
  for (uint32_t format : {SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA, SPA_VIDEO_FORMAT_RGBx,
                          SPA_VIDEO_FORMAT_RGBA}) {
    spa_pod_builder_id(&builder, format);
  }
  spa_pod_builder_pop(&builder, &choice);
  spa_pod_builder_prop(&builder, SPA_FORMAT_VIDEO_size, 0);
  spa_pod_builder_push_choice(&builder, &choice, SPA_CHOICE_Range, 0);
  spa_pod_builder_rectangle(&builder, 640, 480);
  spa_pod_builder_rectangle(&builder, 1, 1);
  spa_pod_builder_rectangle(&builder, 16384, 16384);
  spa_pod_builder_pop(&builder, &choice);
  spa_pod_builder_prop(&builder, SPA_FORMAT_VIDEO_framerate, 0);
  spa_pod_builder_push_choice(&builder, &choice, SPA_CHOICE_Range, 0);
  spa_pod_builder_fraction(&builder, 60, 1);
  spa_pod_builder_fraction(&builder, 0, 1);
  spa_pod_builder_fraction(&builder, 1000, 1);
  spa_pod_builder_pop(&builder, &choice);
  return static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &object));
}

pw_stream_events StreamEvents() {
  pw_stream_events events = {};
  events.version = PW_VERSION_STREAM_EVENTS;
  events.state_changed = NoteStreamState;
  events.param_changed = AcceptFormat;
  events.remove_buffer = ForgetBuffer;
  events.process = TakeNewestPicture;
  return events;
}

pw_core_events CoreEvents() {
  pw_core_events events = {};
  events.version = PW_VERSION_CORE_EVENTS;
  events.error = NoteCoreError;
  return events;
}

void ConnectStream(int fd, uint32_t node) {
  static const pw_stream_events streamEvents = StreamEvents();
  static const pw_core_events coreEvents = CoreEvents();
  Portal& portal = g_portal;
  pw_init(nullptr, nullptr);
  portal.loop = pw_loop_new(nullptr);
  if (portal.loop == nullptr) Fail("cannot start the screen-sharing stream: no PipeWire loop");
  // Entered once and never left: the frame cycle's thread is the loop's.
  pw_loop_enter(portal.loop);
  portal.context = pw_context_new(portal.loop, nullptr, 0);
  if (portal.context == nullptr)
    Fail("cannot start the screen-sharing stream: no PipeWire context");
  portal.core = pw_context_connect_fd(portal.context, fd, nullptr, 0);
  if (portal.core == nullptr) {
    Fail(std::string("cannot connect to the screen-sharing stream: ") + std::strerror(errno));
  }
  pw_core_add_listener(portal.core, &portal.coreListener, &coreEvents, nullptr);
  portal.stream = pw_stream_new(portal.core, "bottlewatch",
                                pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                                  "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
  if (portal.stream == nullptr) {
    Fail(std::string("cannot start the screen-sharing stream: ") + std::strerror(errno));
  }
  pw_stream_add_listener(portal.stream, &portal.streamListener, &streamEvents, nullptr);
  uint8_t storage[1024];
  spa_pod_builder builder;
  spa_pod_builder_init(&builder, storage, sizeof storage);
  const spa_pod* formats[] = {VideoFormats(builder)};
  // Not reconnected elsewhere when the shared node goes: that is the end of
  // the sharing, not a cue to read some other stream.
  const int result = pw_stream_connect(
      portal.stream, PW_DIRECTION_INPUT, node,
      static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS |
                                   PW_STREAM_FLAG_DONT_RECONNECT),
      formats, 1);
  if (result < 0) {
    Fail(std::string("cannot connect to the screen-sharing stream: ") + std::strerror(-result));
  }
}

void FailIfEnded() {
  const Portal& portal = g_portal;
  if (portal.sessionClosed) Fail("screen sharing ended (stopped from the desktop)");
  if (portal.streamEnded) {
    Fail("screen sharing ended (the stream went away" +
         (portal.streamError.empty() ? std::string() : ": " + portal.streamError) + ")");
  }
  if (g_dbus_connection_is_closed(portal.bus)) Fail("screen sharing ended (lost the session bus)");
}

// Lets the stream and the bus deliver what they have, waiting at most
// timeoutMillis for the first event (0: not at all).
void Dispatch(int timeoutMillis) {
  Portal& portal = g_portal;
  // Bounded: a desktop that keeps sending must not keep the capture here.
  for (int k = 0; k < 64 && pw_loop_iterate(portal.loop, k == 0 ? timeoutMillis : 0) > 0; ++k) {
  }
  for (int k = 0; k < 64 && g_main_context_iteration(nullptr, FALSE); ++k) {
  }
}

void WaitForFirstPicture() {
  const Portal& portal = g_portal;
  const auto deadline = std::chrono::steady_clock::now() + kFirstPictureWait;
  while (portal.held == nullptr) {
    FailIfEnded();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) Fail("the desktop allowed screen sharing but sent no picture");
    Dispatch(static_cast<int>(std::min<long long>(left, 100)));
  }
}

VideoFrame FrameOf(const pw_buffer* buffer) {
  const Portal& portal = g_portal;
  const spa_buffer* b = buffer->buffer;
  const spa_data& data = b->datas[0];
  VideoFrame frame;
  frame.data = static_cast<const uint8_t*>(data.data);
  frame.size = data.maxsize;
  frame.offset = data.chunk->offset;
  frame.stride = data.chunk->stride;
  frame.width = portal.width;
  frame.height = portal.height;
  frame.format = portal.format;
  const auto* crop = static_cast<const spa_meta_region*>(
      spa_buffer_find_meta_data(b, SPA_META_VideoCrop, sizeof(spa_meta_region)));
  if (crop != nullptr && spa_meta_region_is_valid(crop)) {
    frame.cropX = crop->region.position.x;
    frame.cropY = crop->region.position.y;
    frame.cropWidth = static_cast<int>(crop->region.size.width);
    frame.cropHeight = static_cast<int>(crop->region.size.height);
  }
  return frame;
}

}  // namespace

void StartPortalCapture() {
  Portal& portal = g_portal;
  if (portal.stream != nullptr) return;
  GError* error = nullptr;
  portal.bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (portal.bus == nullptr) throw PortalMissing("cannot reach the session bus: " + Message(error));
  // GIO would end the process with SIGTERM, silently, when the bus goes.
  g_dbus_connection_set_exit_on_close(portal.bus, FALSE);
  RequireScreenCast();
  CreateSession();
  SelectSources();
  const uint32_t node = Start();
  ConnectStream(OpenPipeWireRemote(), node);
  WaitForFirstPicture();
}

int CapturePortalScreen(const char* fileName) {
  StartPortalCapture();
  Dispatch(0);
  FailIfEnded();
  const pw_buffer* held = g_portal.held;
  // Between a change of format and the first picture in it there is nothing
  // to show; the file keeps the last picture.
  if (held == nullptr) return 0;
  ScreenImage image;
  if (!DescribeVideoFrame(FrameOf(held), image)) return 0;
  DibOwner block;
  if (!PackScreenImage(image, nullptr, 0, block.dib)) return 0;
  WriteBitmapFile(fileName, block.dib);
  return 1;
}

bool PortalCaptureUsesSharedMemory() {
  const pw_buffer* held = g_portal.held;
  return held != nullptr && held->buffer->datas[0].type == SPA_DATA_MemFd;
}

void ClosePortalCapture() {
  Portal& portal = g_portal;
  if (portal.stream != nullptr) {
    pw_stream_destroy(portal.stream);
    spa_hook_remove(&portal.coreListener);
    pw_core_disconnect(portal.core);
    pw_context_destroy(portal.context);
    pw_loop_leave(portal.loop);
    pw_loop_destroy(portal.loop);
  }
  if (portal.bus != nullptr) {
    if (!portal.session.empty() && !g_dbus_connection_is_closed(portal.bus)) {
      GVariant* reply = g_dbus_connection_call_sync(
          portal.bus, kPortalName, portal.session.c_str(), "org.freedesktop.portal.Session",
          "Close", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
      if (reply != nullptr) g_variant_unref(reply);
    }
    g_object_unref(portal.bus);
  }
  portal = Portal{};
}
