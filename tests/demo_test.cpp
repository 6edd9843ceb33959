// SPDX-License-Identifier: Apache-2.0
// camscope-demo's sources: what a name is found to be, the scene, pictures, image sequences,
// clips and streams as the loop reads them; and text from outside made safe for a message.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <tuple>

#include "demo/clip_camera.hpp"
#include "demo/demo_source.hpp"
#include "demo/picture_camera.hpp"
#include "demo/source_error.hpp"
#include "fake_desktop.hpp"
#include "quoted.hpp"

namespace {

using std::chrono::milliseconds;

const std::string dir = ::testing::TempDir();
const cv::Scalar kColour(45, 102, 187);  // blue, green, red: its gray differs in either order

// Writes a JPEG of image whose EXIF orientation says: turn it 90 degrees clockwise to view it.
void write_turned_jpeg(const std::string& path, const cv::Mat& image) {
  std::vector<uchar> jpeg;
  cv::imencode(".jpg", image, jpeg);
  // After the start marker, an APP1 segment: "Exif", a little-endian TIFF header, and one entry:
  // tag 0x112 (orientation), type SHORT, count 1, value 6.
  const uchar exif[] = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1,
                        0,    0x12, 1, 3,  0,   1,   0,   0,   0, 6, 0,   0,   0,  0, 0, 0, 0};
  jpeg.insert(jpeg.begin() + 2, std::begin(exif), std::end(exif));
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
}

// Writes a lossless clip of one frame of each colour at rate frames a second.
void write_clip(const std::string& path, double rate, const std::vector<cv::Scalar>& colours) {
  cv::VideoWriter writer(path, cv::VideoWriter::fourcc('F', 'F', 'V', '1'), rate, {16, 8});
  for (const cv::Scalar& colour : colours)
    writer << solid(colour, {16, 8});
}

// The frames the loop reads from camera: n reads through the loop's own reader.
std::vector<cv::Mat> read_through_loop(cv::VideoCapture& camera, int n) {
  Watchdog watchdog;
  std::vector<cv::Mat> frames(n);
  for (cv::Mat& frame : frames)
    read_frame(camera, frame, ReadPolicy{}, watchdog);
  return frames;
}

// A clip written by FFmpeg's own tool with these arguments, which can give it rates and rotation
// metadata that OpenCV's writer cannot.
std::string ffmpeg_clip(const std::string& name, const std::string& arguments) {
  const std::string command = "ffmpeg -y -loglevel error " + arguments + " " + dir + name;
  EXPECT_EQ(std::system(command.c_str()), 0) << command;  // NOLINT(concurrency-mt-unsafe)
  return dir + name;
}

// A clip of two frames at rate frames a second, as FFmpeg's fraction.
std::string clip_at(const std::string& name, const std::string& rate) {
  return ffmpeg_clip(name, "-f lavfi -i color=s=16x8:r=" + rate + " -frames:v 2 -c:v ffv1");
}

// Catches a scene that stands still (its motion window dark), or comes faster or slower than 30
// frames a second (12 frames take 0.37 s); a picture or a clip shown sideways (its EXIF orientation
// or rotation ignored) or a picture served other than 30 times a second; a clip not played from its
// first frame, not started again after its end, or played faster or slower than its own rate (25 a
// second: 12 frames take 0.44 s); the rate rule wrong at any of its edges (one frame in 1000 s and
// 1000 a second taken, just outside each and no rate at all made 30 a second); a video of one frame
// that is not shown over and over; and a clip with no frame reaching the loop instead of a clear
// refusal. The clips' codec is lossless.
TEST(Demo, TheSceneMovesAndPicturesComeUprightAndClipsAtTheirOwnRate) {
  Watchdog watchdog;
  const auto run_source = [&](const std::optional<std::string>& name, FakeDesktop& windows) {
    const DemoSource source = open_demo_source(name, watchdog);
    windows.keys = {-1, -1, 'q'};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run_frame_loop(*source.camera, windows, windows.out, source.policy, watchdog), 0);
    return std::chrono::steady_clock::now() - start;
  };
  FakeDesktop scene;
  const auto scene_took = run_source(std::nullopt, scene);
  EXPECT_GE(scene_took, milliseconds(11 * 33));
  EXPECT_LT(scene_took, milliseconds(20 * 33));  // room for a slow build, not for half the rate
  EXPECT_GT(cv::countNonZero(scene.shown.at(20).second > 64), 50);  // far above the noise's

  write_turned_jpeg(dir + "turned.jpg", solid(kColour, {6, 2}));
  DemoSource picture = open_demo_source(dir + "turned.jpg", watchdog);
  EXPECT_EQ(picture.policy.frame_interval, std::chrono::nanoseconds(33333333));
  EXPECT_EQ(read_through_loop(*picture.camera, 2)[1].size(), cv::Size(2, 6));
  write_clip(dir + "plain.avi", 25, {kColour});
  DemoSource turned = open_demo_source(
      ffmpeg_clip("turned.mov", "-i " + dir + "plain.avi -c copy -metadata:s:v:0 rotate=90"),
      watchdog);
  EXPECT_EQ(read_through_loop(*turned.camera, 1)[0].size(), cv::Size(8, 16));

  const std::pair<std::string, std::chrono::nanoseconds> rates[] = {
      {ffmpeg_clip("no_rate.mjpeg", "-f lavfi -i color=s=16x8 -frames:v 2 -f mjpeg"),  // bare
       std::chrono::nanoseconds(33333333)},
      {clip_at("slowest.mov", "1/1000"), std::chrono::seconds(1000)},
      {clip_at("too_slow.mov", "1/1100"), std::chrono::nanoseconds(33333333)},
      {clip_at("fastest.mov", "1000"), std::chrono::milliseconds(1)},
      {clip_at("too_fast.mov", "1001"), std::chrono::nanoseconds(33333333)}};
  for (const auto& [clip, interval] :
       rates)  // as a clip, which the bare one would not be taken for
    EXPECT_EQ(ClipCamera(clip, ClipKind::kFile, watchdog).frame_interval(), interval) << clip;
  write_clip(dir + "still.avi", 25, {kColour});
  for (const cv::Mat& frame :
       read_through_loop(*open_demo_source(dir + "still.avi", watchdog).camera, 3))
    EXPECT_TRUE(same(frame, solid(kColour, {16, 8})));

  const std::vector<cv::Scalar> colours = {{10, 50, 200}, {90, 130, 140}, {170, 210, 80}};
  write_clip(dir + "clip.avi", 25, colours);
  write_clip(dir + "empty.avi", 25, {});
  EXPECT_THROW(open_demo_source(dir + "empty.avi", watchdog), SourceError);
  FakeDesktop windows;
  const auto clip_took = run_source(dir + "clip.avi", windows);
  EXPECT_GE(clip_took, milliseconds(11 * 40));
  EXPECT_LT(clip_took, milliseconds(20 * 40));
  // Iteration n begins with frame 4n of the endless clip, that is frame n of the file.
  for (size_t n = 0; n < 3; n++)
    EXPECT_TRUE(same(windows.shown.at(7 * n).second, solid(colours[n], {16, 8}))) << n;
}

// Catches a sequence that assumes one size for all its pictures (a crash) or one form (gray, alpha
// and 16-bit pictures shown wrongly), not played again from its first file, or not from file 1 when
// there is no file 0; a picture of any form (16-bit, gray, alpha, float TIFF and EXR from 0..1) not
// in its true colour; and a picture that declares more pixels than camscope analyses decoded before
// it is refused, or refused without its size and the limit. Each picture's gray differs if its
// channels were swapped.
TEST(Demo, SequencesAndPicturesOfEveryFormComeInTrueColour) {
  Watchdog watchdog;
  const cv::Mat colour = solid(kColour, {6, 4});
  cv::Mat alpha;
  cv::cvtColor(colour, alpha, cv::COLOR_BGR2BGRA);
  const cv::Mat deep = solid(kColour * 256 + cv::Scalar::all(200), {3, 2}, CV_16UC3);
  const cv::Mat gray = solid(102, {3, 2}, CV_8UC1);
  cv::imwrite(dir + "seq_001.png", colour);
  cv::imwrite(dir + "seq_002.png", gray);
  cv::imwrite(dir + "seq_003.png", alpha);
  cv::imwrite(dir + "seq_004.png", deep);
  DemoSource sequence = open_demo_source(dir + "seq_%03d.png", watchdog);
  const std::vector<cv::Mat> frames = read_through_loop(*sequence.camera, 5);
  const cv::Mat expected[] = {colour, solid(cv::Scalar::all(102), {3, 2}), colour,
                              solid(kColour, {3, 2}), colour};
  for (int n = 0; n < 5; n++)
    EXPECT_TRUE(same(frames[n], expected[n])) << n;

  const std::tuple<std::string, cv::Mat, cv::Scalar> pictures[] = {
      {"deep.png", deep, kColour},
      {"alpha.png", alpha, kColour},
      {"gray.png", gray, {102, 102, 102}},
      {"float.tiff", colour, kColour},
      {"float.exr", colour, kColour}};
  for (const auto& [name, picture, shown_as] : pictures) {
    cv::Mat written = picture;
    if (name.rfind("float", 0) == 0)
      colour.convertTo(written, CV_32FC3, 1 / 255.0);
    // Uncompressed: OpenCV writes float TIFFs in a lossy encoding by default.
    cv::imwrite(dir + name, written, {cv::IMWRITE_TIFF_COMPRESSION, 1});
    PictureCamera shown(dir + name, watchdog);
    EXPECT_TRUE(same(read_through_loop(shown, 1)[0], solid(shown_as, picture.size()))) << name;
  }

  // Headers that declare 30000 x 20000 and 40000 x 40000 pixels, their data never reached; Qt's
  // reader knows the size of the first.
  const std::pair<std::string, std::string> bombs[] = {
      {"huge.ppm", "P6\n30000 20000\n255\n\x01\x02\x03"},
      {"huge.hdr", "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 40000 +X 40000\n\x01\x02\x03\x04"}};
  const std::string sizes[] = {"30000 x 20000 pixels (600.0 million), more than",
                               "more pixels than"};
  for (int n = 0; n < 2; n++) {
    std::ofstream(dir + bombs[n].first, std::ios::binary) << bombs[n].second;
    try {
      PictureCamera huge(dir + bombs[n].first, watchdog);
      ADD_FAILURE() << bombs[n].first << " was taken";
    } catch (const SourceError& e) {
      EXPECT_EQ(std::string(e.what()),
                "cannot play " + dir + bombs[n].first + ": it is a picture of " + sizes[n] +
                    " the 35.4 million (8192 x 4320) that camscope analyses");
    }
  }
}

// Catches an empty name taken for the scene (a script's unset variable), a name quoted in some
// messages only, a local file named as one of FFmpeg's protocols played as another file or standard
// input, and a device that is no camera opened before it is refused (/dev/ptmx would make a
// terminal). (The real demo's test checks that each other kind of name is told apart.)
TEST(Demo, NamesAreFoundToBeWhatTheyAre) {
  Watchdog watchdog;
  try {
    open_demo_source("", watchdog);
    ADD_FAILURE() << "an empty name was taken";
  } catch (const SourceError& e) {
    EXPECT_THAT(e.what(), ::testing::HasSubstr("cannot play '': no name given"));
  }
  cv::imwrite(dir + "x\x1b.png", solid(kColour));  // named so in the read rules' messages too
  EXPECT_EQ(open_demo_source(dir + "x\x1b.png", watchdog).policy.camera_name,
            "$'" + dir + "x\\E.png'");
  // Local files named as FFmpeg's protocols are played as those files: not another file, not
  // standard input.
  write_clip(dir + "c.avi", 25, {cv::Scalar(9, 9, 99)});
  for (const std::string name : {"file:c.avi", "pipe:0"}) {
    write_clip(dir + "own.avi", 25, {kColour});
    ASSERT_EQ(std::rename((dir + "own.avi").c_str(), (dir + name).c_str()), 0);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    EXPECT_TRUE(same(read_through_loop(*open_demo_source(name, watchdog).camera, 1)[0],
                     solid(kColour, {16, 8})))
        << name;
  }
  const int opens = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(inotify_add_watch(opens, "/dev/ptmx", IN_OPEN), 0);
  EXPECT_THROW(open_demo_source("/dev/ptmx", watchdog), SourceError);
  char event[4096];
  EXPECT_EQ(read(opens, event, sizeof event), -1) << "/dev/ptmx was opened";
  (void)close(opens);
}

// A port on 127.0.0.1 that takes connections, in the kernel's backlog, and never answers.
int silent_port() {
  const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  EXPECT_EQ(bind(server, reinterpret_cast<sockaddr*>(&address), length), 0);
  EXPECT_EQ(listen(server, 4), 0);
  EXPECT_EQ(getsockname(server, reinterpret_cast<sockaddr*>(&address), &length), 0);
  return ntohs(address.sin_port);
}

// Catches a stream that cannot be opened told with a guessed cause (a refused port is no missing
// host: FFmpeg's own line tells it), and a server that never answers not given up at 5 s.
TEST(Demo, AStreamThatCannotBeOpenedIsToldWithoutAGuessAndGivenUpAt5s) {
  Watchdog watchdog;
  const std::pair<std::string, std::string> cases[] = {
      {"http://127.0.0.1:1/", "it cannot be opened (FFmpeg's line above, if any, says why)"},
      {"http://127.0.0.1:" + std::to_string(silent_port()) + "/", "no frame came in 5."}};
  for (const auto& [url, expected] : cases) {
    try {
      open_demo_source(url, watchdog);
      ADD_FAILURE() << url << " opened";
    } catch (const SourceError& e) {
      std::string told = "cannot play " + url;
      told += ": " + expected;
      EXPECT_THAT(e.what(), ::testing::StartsWith(told)) << url;
    }
  }
}

// Catches a password, a percent-encoded one or a query's token left in a message, and an address
// cut beyond its secrets (its host, port, path or query names lost).
TEST(Demo, AddressesAreShownWithoutTheirSecrets) {
  const std::pair<std::string, std::string> cases[] = {
      {"rtsp://user:pa%40ss@[::1]:554/live", "rtsp://****@[::1]:554/live"},
      {"http://cam/v.mjpg?user=me&token=SECRET#top", "http://cam/v.mjpg?user=****&token=****#top"},
      {"srt://[fe80::1]:9000", "srt://[fe80::1]:9000"}};
  for (const auto& [name, shown] : cases)
    EXPECT_EQ(shown_name(name), shown);
}

// Catches a control character, an invalid byte or a C1 control copied into a message (a forged
// line, a terminal's title set, its screen cleared), a bidirectional override, line separator or
// zero-width character shown raw (a.exe shown as a.png), printable text quoted needlessly, an
// empty name shown as nothing, and quotes and backslashes left unescaped inside the quotes.
TEST(Quoted, TextFromOutsideCannotReachTheTerminalAsACommand) {
  const std::pair<std::string, std::string> cases[] = {
      {"holiday 2026 (été) 'final'.mp4", "holiday 2026 (été) 'final'.mp4"},
      {"x\x1b]0;pwned\a\x1b[2J.png", "$'x\\E]0;pwned\\a\\E[2J.png'"},
      {"a\nb\tc\rd", "$'a\\nb\\tc\\rd'"},
      {"it's\\\x7f", "$'it\\'s\\\\\\x7f'"},
      {"bad\xff\xc3(", "$'bad\\xff\\xc3('"},
      {"c1\xc2\x9b"
       "31m",
       "$'c1\\xc2\\x9b31m'"},
      {"\xed\xa0\x80 surrogate", "$'\\xed\\xa0\\x80 surrogate'"},
      {"a\u202egnp.exe", "$'a\\u202egnp.exe'"},
      {"line\u2028break\u200b\U000e0041", "$'line\\u2028break\\u200b\\U000e0041'"},
      {"", "''"}};
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(quoted(text), expected);
}

}  // namespace
