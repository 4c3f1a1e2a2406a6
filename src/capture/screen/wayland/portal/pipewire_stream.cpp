// The screen-sharing stream through libpipewire: format negotiation, the
// newest buffer kept out of the stream, and the stream's end.
#include "capture/screen/wayland/portal/pipewire_stream.h"

#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void Fail(const std::string& message) {
  throw std::runtime_error(message);
}

// Everything that lives from one capture to the next. Plain data with no
// destructor: at exit nothing is torn down, as with the X connection.
struct Stream {
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
  uint64_t delivered = 0;  // pictures taken into held so far
  bool streamed = false;   // the stream has run, so losing it ends the sharing
  bool ended = false;
  std::string error;
};

Stream g_stream;

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
  Stream& s = g_stream;
  pw_buffer* newest = nullptr;
  while (pw_buffer* buffer = pw_stream_dequeue_buffer(s.stream)) {
    if (!HoldsPicture(buffer)) {
      pw_stream_queue_buffer(s.stream, buffer);
      continue;
    }
    if (newest != nullptr) pw_stream_queue_buffer(s.stream, newest);
    newest = buffer;
  }
  if (newest == nullptr) return;
  if (s.held != nullptr) pw_stream_queue_buffer(s.stream, s.held);
  s.held = newest;
  ++s.delivered;
}

void ForgetBuffer(void*, pw_buffer* buffer) {
  if (g_stream.held == buffer) g_stream.held = nullptr;
}

void NoteStreamState(void*, pw_stream_state, pw_stream_state state, const char* error) {
  Stream& s = g_stream;
  if (state == PW_STREAM_STATE_STREAMING || state == PW_STREAM_STATE_PAUSED) s.streamed = true;
  if (state == PW_STREAM_STATE_ERROR || (state == PW_STREAM_STATE_UNCONNECTED && s.streamed)) {
    s.ended = true;
    if (error != nullptr) s.error = error;
  }
}

void NoteCoreError(void*, uint32_t id, int, int result, const char* message) {
  if (id != PW_ID_CORE) return;
  g_stream.ended = true;
  g_stream.error = message != nullptr ? message : std::strerror(-result);
}

// Once the desktop has chosen a format: shared-memory buffers only (DMA-BUF
// would need a GPU to read), and the crop rectangle of a window's buffer.
void AcceptFormat(void*, uint32_t id, const spa_pod* param) {
  Stream& s = g_stream;
  if (id != SPA_PARAM_Format || param == nullptr) return;
  spa_video_info_raw info = {};
  if (spa_format_video_raw_parse(param, &info) < 0) return;
  s.format = FormatOf(info.format);
  s.width = static_cast<int>(info.size.width);
  s.height = static_cast<int>(info.size.height);

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
  pw_stream_update_params(s.stream, params, 3);
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

}  // namespace

void ConnectPipeWireStream(int fd, uint32_t node) {
  static const pw_stream_events streamEvents = StreamEvents();
  static const pw_core_events coreEvents = CoreEvents();
  Stream& s = g_stream;
  pw_init(nullptr, nullptr);
  s.loop = pw_loop_new(nullptr);
  if (s.loop == nullptr) Fail("cannot start the screen-sharing stream: no PipeWire loop");
  // Entered once and never left: the frame cycle's thread is the loop's.
  pw_loop_enter(s.loop);
  s.context = pw_context_new(s.loop, nullptr, 0);
  if (s.context == nullptr) Fail("cannot start the screen-sharing stream: no PipeWire context");
  s.core = pw_context_connect_fd(s.context, fd, nullptr, 0);
  if (s.core == nullptr) {
    Fail(std::string("cannot connect to the screen-sharing stream: ") + std::strerror(errno));
  }
  pw_core_add_listener(s.core, &s.coreListener, &coreEvents, nullptr);
  s.stream = pw_stream_new(s.core, "bottlewatch",
                           pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                             "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
  if (s.stream == nullptr) {
    Fail(std::string("cannot start the screen-sharing stream: ") + std::strerror(errno));
  }
  pw_stream_add_listener(s.stream, &s.streamListener, &streamEvents, nullptr);
  uint8_t storage[1024];
  spa_pod_builder builder;
  spa_pod_builder_init(&builder, storage, sizeof storage);
  const spa_pod* formats[] = {VideoFormats(builder)};
  // Not reconnected elsewhere when the shared node goes: that is the end of
  // the sharing, not a cue to read some other stream.
  const int result = pw_stream_connect(
      s.stream, PW_DIRECTION_INPUT, node,
      static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS |
                                   PW_STREAM_FLAG_DONT_RECONNECT),
      formats, 1);
  if (result < 0) {
    Fail(std::string("cannot connect to the screen-sharing stream: ") + std::strerror(-result));
  }
}

void DispatchPipeWireStream(int timeoutMillis) {
  for (int k = 0; k < 64 && pw_loop_iterate(g_stream.loop, k == 0 ? timeoutMillis : 0) > 0; ++k) {
  }
}

std::string PipeWireStreamEnded() {
  const Stream& s = g_stream;
  if (!s.ended) return "";
  return "screen sharing ended (the stream went away" + (s.error.empty() ? "" : ": " + s.error) +
         ")";
}

bool NewestPipeWireFrame(VideoFrame& frame) {
  const Stream& s = g_stream;
  if (s.held == nullptr) return false;
  const spa_buffer* b = s.held->buffer;
  const spa_data& data = b->datas[0];
  frame = VideoFrame{};
  frame.data = static_cast<const uint8_t*>(data.data);
  frame.size = data.maxsize;
  frame.offset = data.chunk->offset;
  frame.stride = data.chunk->stride;
  frame.width = s.width;
  frame.height = s.height;
  frame.format = s.format;
  const auto* crop = static_cast<const spa_meta_region*>(
      spa_buffer_find_meta_data(b, SPA_META_VideoCrop, sizeof(spa_meta_region)));
  if (crop != nullptr && spa_meta_region_is_valid(crop)) {
    frame.cropX = crop->region.position.x;
    frame.cropY = crop->region.position.y;
    frame.cropWidth = static_cast<int>(crop->region.size.width);
    frame.cropHeight = static_cast<int>(crop->region.size.height);
  }
  return true;
}

uint64_t PipeWirePicturesDelivered() {
  return g_stream.delivered;
}

bool PipeWireFrameInSharedMemory() {
  const pw_buffer* held = g_stream.held;
  return held != nullptr && held->buffer->datas[0].type == SPA_DATA_MemFd;
}

void ClosePipeWireStream() {
  Stream& s = g_stream;
  if (s.stream != nullptr) {
    pw_stream_destroy(s.stream);
    spa_hook_remove(&s.coreListener);
    pw_core_disconnect(s.core);
    pw_context_destroy(s.context);
    pw_loop_leave(s.loop);
    pw_loop_destroy(s.loop);
  }
  s = Stream{};
}
