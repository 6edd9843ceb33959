// SPDX-License-Identifier: Apache-2.0
// A video file or stream decoded frame by frame through FFmpeg's own libraries, each frame at the
// size it has.
#include "demo/ffmpeg_clip.hpp"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <mutex>
#include <opencv2/core.hpp>

#include "quiet_log.hpp"

namespace {

// FFmpeg's log callback takes no argument of camscope's: what it needs lives here, set once by
// route_ffmpeg_log before FFmpeg runs. Decoder threads log too, hence the mutex.
struct FfmpegLog {
  std::mutex mutex;
  std::string last_error;  // guarded by mutex
  bool shown = false;
};

FfmpegLog& ffmpeg_log() {
  static FfmpegLog log;
  return log;
}

void on_ffmpeg_log(void* context, int level, const char* format, va_list arguments) {
  FfmpegLog& log = ffmpeg_log();
  if (level <= AV_LOG_ERROR) {
    char line[1024];
    int print_prefix = 0;  // the line alone, without the "[tcp @ 0x...]" of its context
    va_list copy;
    va_copy(copy, arguments);
    (void)av_log_format_line2(context, level, format, copy, line, sizeof line, &print_prefix);
    va_end(copy);
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
      text.pop_back();
    }
    const std::lock_guard<std::mutex> lock(log.mutex);
    log.last_error = text;
  }
  if (log.shown) {
    av_log_default_callback(context, level, format, arguments);
  }
}

}  // namespace

void route_ffmpeg_log() {
  ffmpeg_log().shown = log_asked_for();
  const char* level = std::getenv("OPENCV_FFMPEG_LOGLEVEL");  // NOLINT(concurrency-mt-unsafe)
  av_log_set_level(level != nullptr ? std::atoi(level) : AV_LOG_INFO);
  av_log_set_callback(on_ffmpeg_log);
}

FfmpegClip::~FfmpegClip() {
  close();
}

void FfmpegClip::close() {
  sws_freeContext(scaler_);
  scaler_ = nullptr;
  av_packet_free(&packet_);
  av_frame_free(&frame_);
  avcodec_free_context(&decoder_);
  avformat_close_input(&format_);
  stream_ = -1;
  draining_ = false;
}

std::string FfmpegClip::failure(int code) const {
  FfmpegLog& log = ffmpeg_log();
  const std::lock_guard<std::mutex> lock(log.mutex);
  // FFmpeg's codes for a failed lookup or a damaged file say less than the line it logged.
  if ((code == AVERROR(EIO) || code == AVERROR_INVALIDDATA) && !log.last_error.empty()) {
    return log.last_error;
  }
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  (void)av_strerror(code, text, sizeof text);
  return text;
}

std::string FfmpegClip::open(const std::string& name, std::chrono::milliseconds limit) {
  close();
  {
    FfmpegLog& log = ffmpeg_log();
    const std::lock_guard<std::mutex> lock(log.mutex);
    log.last_error.clear();
  }
  (void)avformat_network_init();  // once is enough, more does no harm
  format_ = avformat_alloc_context();
  if (format_ == nullptr) {
    return failure(AVERROR(ENOMEM));
  }
  give_up_at_ = std::chrono::steady_clock::now() + limit;
  format_->interrupt_callback = {
      [](void* clip) {
        return static_cast<int>(std::chrono::steady_clock::now() >
                                static_cast<FfmpegClip*>(clip)->give_up_at_);
      },
      this};
  if (const int code = avformat_open_input(&format_, name.c_str(), nullptr, nullptr); code < 0) {
    return failure(code);  // FFmpeg has freed format_
  }
  if (const int code = avformat_find_stream_info(format_, nullptr); code < 0) {
    return failure(code);
  }
  const AVCodec* codec = nullptr;
  stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (stream_ < 0 || codec == nullptr) {
    return failure(stream_ < 0 ? stream_ : AVERROR_DECODER_NOT_FOUND);
  }
  const AVStream* stream = format_->streams[stream_];
  decoder_ = avcodec_alloc_context3(codec);
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (decoder_ == nullptr || frame_ == nullptr || packet_ == nullptr) {
    return failure(AVERROR(ENOMEM));
  }
  if (const int code = avcodec_parameters_to_context(decoder_, stream->codecpar); code < 0) {
    return failure(code);
  }
  // Each frame thread holds frames of its own: at 8K a thread per core on a many-core machine takes
  // gigabytes more than the two used here.
  decoder_->thread_count = 2;
  if (const int code = avcodec_open2(decoder_, codec, nullptr); code < 0) {
    return failure(code);
  }
  // A phone's video is stored sideways, with the turn that shows it upright beside it.
  const uint8_t* matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
  const double counter_clockwise =
      matrix != nullptr ? av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix)) : 0;
  rotation_ = (static_cast<int>(std::lround(-counter_clockwise / 90)) % 4 + 4) % 4 * 90;
  return "";
}

bool FfmpegClip::read(cv::Mat& image, std::chrono::milliseconds limit) {
  give_up_at_ = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const int received = avcodec_receive_frame(decoder_, frame_);
    if (received == 0) {
      break;
    }
    if (received != AVERROR(EAGAIN) || draining_) {
      return false;  // the end, or a decoder that has given up
    }
    if (av_read_frame(format_, packet_) < 0) {
      draining_ = true;  // the end: the frames the decoder still holds come out first
      (void)avcodec_send_packet(decoder_, nullptr);
      continue;
    }
    if (packet_->stream_index == stream_) {
      (void)avcodec_send_packet(decoder_, packet_);  // a damaged packet is skipped
    }
    av_packet_unref(packet_);
  }
  const int width = frame_->width, height = frame_->height;
  scaler_ = sws_getCachedContext(scaler_, width, height, static_cast<AVPixelFormat>(frame_->format),
                                 width, height, AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr,
                                 nullptr);
  if (scaler_ == nullptr) {
    av_frame_unref(frame_);
    return false;
  }
  // swscale writes whole blocks of a row at a time, past a row's last pixel: rows padded to 64
  // bytes, and one to spare.
  const int row_bytes = (width * 3 + 63) / 64 * 64;
  cv::Mat rows(height + 1, row_bytes, CV_8UC1);
  uint8_t* planes[] = {rows.data};
  const int strides[] = {row_bytes};
  (void)sws_scale(scaler_, frame_->data, frame_->linesize, 0, height, planes, strides);
  av_frame_unref(frame_);
  image = rows(cv::Rect(0, 0, width * 3, height)).reshape(3);
  if (rotation_ != 0) {
    cv::rotate(image, image,
               rotation_ == 90    ? cv::ROTATE_90_CLOCKWISE
               : rotation_ == 180 ? cv::ROTATE_180
                                  : cv::ROTATE_90_COUNTERCLOCKWISE);
  }
  return true;
}

bool FfmpegClip::rewind() {
  if (format_ == nullptr || av_seek_frame(format_, -1, 0, AVSEEK_FLAG_BACKWARD) < 0) {
    return false;
  }
  avcodec_flush_buffers(decoder_);
  draining_ = false;
  return true;
}

cv::Size FfmpegClip::declared_size() const {
  return decoder_ != nullptr ? cv::Size(decoder_->width, decoder_->height) : cv::Size();
}

double FfmpegClip::frame_rate() const {
  if (format_ == nullptr || stream_ < 0) {
    return 0;
  }
  const AVRational rate = av_guess_frame_rate(format_, format_->streams[stream_], nullptr);
  return rate.den != 0 ? av_q2d(rate) : 0;
}
