// pipewire-frame: one picture of a PipeWire video stream, saved as a PPM
// file (P6, 8-bit RGB), for the tests of the headless GNOME desktop
// (scripts/headless-gnome): what the screen shows, read by a consumer other
// than the advisor.
//
//   pipewire-frame --mutter OUT.ppm
//     records mutter's primary monitor through org.gnome.Mutter.ScreenCast on
//     the session bus (no portal, no dialog) and saves its first frame;
//   pipewire-frame --fd FD --node ID OUT.ppm
//     reads node ID through the PipeWire remote on descriptor FD, as the
//     ScreenCast portal's OpenPipeWireRemote hands it to an application;
//   pipewire-frame --node ID OUT.ppm
//     reads node ID through the default PipeWire remote.
// --timeout SECONDS (default 10) bounds the wait for a frame; with --after N
// the first N frames are skipped. Prints "WIDTHxHEIGHT FORMAT" of the saved
// frame on standard output. Status 0 when a frame was saved, 1 otherwise.
//
// Only shared-memory buffers (MemFd, MemPtr) in BGRx, BGRA, RGBx and RGBA are
// asked for: what mutter serves without a GPU.
#include <gio/gio.h>
#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Capture {
  pw_main_loop* loop = nullptr;
  pw_stream* stream = nullptr;
  spa_video_info_raw format = {};
  bool haveFormat = false;
  int skip = 0;
  std::string output;
  bool saved = false;
  std::string error;
};

const char* FormatName(uint32_t format) {
  switch (format) {
    case SPA_VIDEO_FORMAT_BGRx:
      return "BGRx";
    case SPA_VIDEO_FORMAT_BGRA:
      return "BGRA";
    case SPA_VIDEO_FORMAT_RGBx:
      return "RGBx";
    case SPA_VIDEO_FORMAT_RGBA:
      return "RGBA";
    default:
      return "unknown";
  }
}

// Byte offsets of red, green and blue within a pixel of the given format.
bool ChannelOffsets(uint32_t format, int& r, int& g, int& b) {
  switch (format) {
    case SPA_VIDEO_FORMAT_BGRx:
    case SPA_VIDEO_FORMAT_BGRA:
      r = 2, g = 1, b = 0;
      return true;
    case SPA_VIDEO_FORMAT_RGBx:
    case SPA_VIDEO_FORMAT_RGBA:
      r = 0, g = 1, b = 2;
      return true;
    default:
      return false;
  }
}

bool SavePpm(const Capture& capture, const uint8_t* pixels, int32_t stride) {
  int r = 0, g = 0, b = 0;
  if (!ChannelOffsets(capture.format.format, r, g, b)) return false;
  const uint32_t width = capture.format.size.width;
  const uint32_t height = capture.format.size.height;
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * stride;
    uint8_t* out = rgb.data() + static_cast<size_t>(y) * width * 3;
    for (uint32_t x = 0; x < width; ++x) {
      out[3 * x] = row[4 * x + r];
      out[3 * x + 1] = row[4 * x + g];
      out[3 * x + 2] = row[4 * x + b];
    }
  }
  FILE* file = std::fopen(capture.output.c_str(), "wb");
  if (file == nullptr) return false;
  std::fprintf(file, "P6\n%u %u\n255\n", width, height);
  const bool written = std::fwrite(rgb.data(), 1, rgb.size(), file) == rgb.size();
  return std::fclose(file) == 0 && written;
}

void OnParamChanged(void* data, uint32_t id, const spa_pod* param) {
  auto* capture = static_cast<Capture*>(data);
  if (param == nullptr || id != SPA_PARAM_Format) return;
  uint32_t mediaType = 0, mediaSubtype = 0;
  if (spa_format_parse(param, &mediaType, &mediaSubtype) < 0 || mediaType != SPA_MEDIA_TYPE_video ||
      mediaSubtype != SPA_MEDIA_SUBTYPE_raw ||
      spa_format_video_raw_parse(param, &capture->format) < 0) {
    return;
  }
  capture->haveFormat = true;

  uint8_t buffer[256];
  spa_pod_builder builder;
  spa_pod_builder_init(&builder, buffer, sizeof buffer);
  spa_pod_frame object;
  spa_pod_builder_push_object(&builder, &object, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers);
  spa_pod_builder_prop(&builder, SPA_PARAM_BUFFERS_dataType, 0);
  spa_pod_builder_int(&builder, (1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr));
  const spa_pod* params[] = {static_cast<spa_pod*>(spa_pod_builder_pop(&builder, &object))};
  pw_stream_update_params(capture->stream, params, 1);
}

void OnProcess(void* data) {
  auto* capture = static_cast<Capture*>(data);
  pw_buffer* buffer = pw_stream_dequeue_buffer(capture->stream);
  if (buffer == nullptr) return;
  const spa_data& plane = buffer->buffer->datas[0];
  // mutter also sends buffers that only move the cursor: no picture in them.
  const bool picture = capture->haveFormat && plane.data != nullptr && plane.chunk->size > 0 &&
                       (plane.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) == 0;
  if (picture && capture->skip > 0) {
    --capture->skip;
  } else if (picture && !capture->saved) {
    const int32_t stride = plane.chunk->stride != 0
                               ? plane.chunk->stride
                               : static_cast<int32_t>(capture->format.size.width * 4);
    const auto* pixels = static_cast<const uint8_t*>(plane.data) + plane.chunk->offset;
    if (SavePpm(*capture, pixels, stride)) {
      capture->saved = true;
      std::printf("%ux%u %s\n", capture->format.size.width, capture->format.size.height,
                  FormatName(capture->format.format));
    } else {
      capture->error = "cannot write " + capture->output;
    }
    pw_main_loop_quit(capture->loop);
  }
  pw_stream_queue_buffer(capture->stream, buffer);
}

void OnStateChanged(void* data, pw_stream_state, pw_stream_state state, const char* error) {
  auto* capture = static_cast<Capture*>(data);
  // The stream also ends this way when it is destroyed after the loop: the
  // first reason given is the one reported.
  if ((state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED) &&
      capture->error.empty() && !capture->saved) {
    capture->error = std::string("stream ") + pw_stream_state_as_string(state) +
                     (error != nullptr ? std::string(": ") + error : std::string());
    pw_main_loop_quit(capture->loop);
  }
}

void OnTimeout(void* data, uint64_t) {
  auto* capture = static_cast<Capture*>(data);
  capture->error = "no frame before the timeout";
  pw_main_loop_quit(capture->loop);
}

// The formats asked for, at any size and rate.
const spa_pod* EnumFormat(spa_pod_builder& builder) {
  spa_pod_frame object, choice;
  spa_pod_builder_push_object(&builder, &object, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
  spa_pod_builder_prop(&builder, SPA_FORMAT_mediaType, 0);
  spa_pod_builder_id(&builder, SPA_MEDIA_TYPE_video);
  spa_pod_builder_prop(&builder, SPA_FORMAT_mediaSubtype, 0);
  spa_pod_builder_id(&builder, SPA_MEDIA_SUBTYPE_raw);
  spa_pod_builder_prop(&builder, SPA_FORMAT_VIDEO_format, 0);
  // An enumeration's first value is its default, then come all the choices.
  spa_pod_builder_push_choice(&builder, &choice, SPA_CHOICE_Enum, 0);
  for (uint32_t format : {SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA,
                          SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA}) {
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
  spa_pod_builder_fraction(&builder, 30, 1);
  spa_pod_builder_fraction(&builder, 0, 1);
  spa_pod_builder_fraction(&builder, 1000, 1);
  spa_pod_builder_pop(&builder, &choice);
  return static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &object));
}

// mutter's recording of its primary monitor; the node id, or 0 with error
// set. The recording lasts as long as bus stays connected.
uint32_t RecordMutterMonitor(GDBusConnection* bus, double timeoutSeconds, std::string& error) {
  GError* gerror = nullptr;
  auto call = [&](const char* path, const char* interfaceName, const char* method,
                  GVariant* arguments, const char* replyType) {
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.gnome.Mutter.ScreenCast", path, interfaceName, method, arguments,
        replyType != nullptr ? G_VARIANT_TYPE(replyType) : nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START,
        -1, nullptr, &gerror);
    if (reply == nullptr && error.empty()) {
      error = std::string("mutter ") + method + ": " + gerror->message;
      g_clear_error(&gerror);
    }
    return reply;
  };
  GVariant* reply = call("/org/gnome/Mutter/ScreenCast", "org.gnome.Mutter.ScreenCast",
                         "CreateSession", g_variant_new_parsed("(@a{sv} {},)"), "(o)");
  if (reply == nullptr) return 0;
  gchar* session = nullptr;
  g_variant_get(reply, "(o)", &session);
  g_variant_unref(reply);
  reply = call(session, "org.gnome.Mutter.ScreenCast.Session", "RecordMonitor",
               g_variant_new_parsed("('', {'cursor-mode': <uint32 0>})"), "(o)");
  if (reply == nullptr) return 0;
  gchar* stream = nullptr;
  g_variant_get(reply, "(o)", &stream);
  g_variant_unref(reply);

  static uint32_t node = 0;
  const guint subscription = g_dbus_connection_signal_subscribe(
      bus, "org.gnome.Mutter.ScreenCast", "org.gnome.Mutter.ScreenCast.Stream",
      "PipeWireStreamAdded", stream, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
         GVariant* parameters, gpointer) { g_variant_get(parameters, "(u)", &node); },
      nullptr, nullptr);
  reply = call(session, "org.gnome.Mutter.ScreenCast.Session", "Start", nullptr, nullptr);
  if (reply != nullptr) g_variant_unref(reply);
  const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(timeoutSeconds * 1e6);
  while (reply != nullptr && node == 0 && g_get_monotonic_time() < deadline) {
    g_main_context_iteration(nullptr, FALSE);
    g_usleep(10000);
  }
  g_dbus_connection_signal_unsubscribe(bus, subscription);
  if (node == 0 && error.empty()) error = "mutter announced no PipeWire stream";
  g_free(session);
  g_free(stream);
  return node;
}

int Usage() {
  std::fprintf(stderr,
               "usage: pipewire-frame [--timeout SECONDS] [--after N] "
               "(--mutter | [--fd FD] --node ID) OUT.ppm\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int fd = -1;
  uint32_t node = 0;
  bool mutter = false;
  double timeoutSeconds = 10;
  Capture capture;
  int i = 1;
  for (; i < argc - 1; ++i) {
    const std::string option = argv[i];
    if (option == "--mutter") {
      mutter = true;
    } else if (option == "--fd" && i + 2 < argc) {
      fd = std::atoi(argv[++i]);
    } else if (option == "--node" && i + 2 < argc) {
      node = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    } else if (option == "--timeout" && i + 2 < argc) {
      timeoutSeconds = std::atof(argv[++i]);
    } else if (option == "--after" && i + 2 < argc) {
      capture.skip = std::atoi(argv[++i]);
    } else {
      return Usage();
    }
  }
  if (i != argc - 1 || mutter == (node != 0) || (mutter && fd >= 0)) return Usage();
  capture.output = argv[i];

  GDBusConnection* bus = nullptr;
  std::string error;
  if (mutter) {
    GError* gerror = nullptr;
    bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &gerror);
    if (bus == nullptr) {
      std::fprintf(stderr, "pipewire-frame: no session bus: %s\n", gerror->message);
      return 1;
    }
    node = RecordMutterMonitor(bus, timeoutSeconds, error);
    if (node == 0) {
      std::fprintf(stderr, "pipewire-frame: %s\n", error.c_str());
      return 1;
    }
  }

  pw_init(&argc, &argv);
  capture.loop = pw_main_loop_new(nullptr);
  pw_loop* loop = pw_main_loop_get_loop(capture.loop);
  pw_context* context = pw_context_new(loop, nullptr, 0);
  pw_core* core = fd >= 0 ? pw_context_connect_fd(context, fd, nullptr, 0)
                          : pw_context_connect(context, nullptr, 0);
  if (core == nullptr) {
    std::fprintf(stderr, "pipewire-frame: cannot connect to PipeWire: %s\n", std::strerror(errno));
    return 1;
  }
  capture.stream =
      pw_stream_new(core, "pipewire-frame",
                    pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                      PW_KEY_MEDIA_ROLE, "Screen", nullptr));
  pw_stream_events events = {};
  events.version = PW_VERSION_STREAM_EVENTS;
  events.param_changed = OnParamChanged;
  events.process = OnProcess;
  events.state_changed = OnStateChanged;
  spa_hook listener = {};
  pw_stream_add_listener(capture.stream, &listener, &events, &capture);

  uint8_t podBuffer[1024];
  spa_pod_builder builder;
  spa_pod_builder_init(&builder, podBuffer, sizeof podBuffer);
  const spa_pod* params[] = {EnumFormat(builder)};
  pw_stream_connect(
      capture.stream, PW_DIRECTION_INPUT, node,
      static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS), params,
      1);

  spa_source* timer = pw_loop_add_timer(loop, OnTimeout, &capture);
  timespec timeout = {
      static_cast<time_t>(timeoutSeconds),
      static_cast<long>((timeoutSeconds - static_cast<time_t>(timeoutSeconds)) * 1e9)};
  pw_loop_update_timer(loop, timer, &timeout, nullptr, false);
  pw_main_loop_run(capture.loop);

  pw_stream_destroy(capture.stream);
  pw_core_disconnect(core);
  pw_context_destroy(context);
  pw_main_loop_destroy(capture.loop);
  pw_deinit();
  if (bus != nullptr) g_object_unref(bus);
  if (!capture.saved) {
    std::fprintf(stderr, "pipewire-frame: %s\n", capture.error.c_str());
    return 1;
  }
  return 0;
}
