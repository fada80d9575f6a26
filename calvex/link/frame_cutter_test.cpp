// Cutting received bytes into frames: every complete frame is handed over
// once, in order, however the bytes were split; bad lengths drop the buffer.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "frame_cutter.h"

namespace logic {
namespace {

std::string LengthField(uint32_t length) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(length >> (8 * i));
  return bytes;
}

// A frame of `length` bytes whose header and body bytes carry `tag`.
std::string Frame(uint32_t length, char tag) { return LengthField(length) + std::string(length - 4, tag); }

struct Collected {
  std::vector<std::string> frames;
  FrameHandler handler() {
    return [this](const char* frame, uint32_t length) { frames.emplace_back(frame, length); };
  }
};

TEST(FrameCutterTest, ReadsTheLengthLittleEndian) {
  EXPECT_EQ(ReadFrameLength("\x17\x00\x00\x00"), 23u);
  EXPECT_EQ(ReadFrameLength("\x01\x02\x03\x84"), 0x84030201u);
}

TEST(FrameCutterTest, HandsOverEveryCompleteFrameOfOneReceive) {
  std::string stream = Frame(11, 'a') + Frame(23, 'b') + Frame(12, 'c');
  std::string buffer = stream + std::string("\x10\x00", 2);  // and the start of a fourth
  Collected got;
  EXPECT_EQ(CutFrames(buffer, got.handler()), CutResult::kWaitingForMore);
  ASSERT_EQ(got.frames.size(), 3u);
  EXPECT_EQ(got.frames[0], Frame(11, 'a'));
  EXPECT_EQ(got.frames[1], Frame(23, 'b'));
  EXPECT_EQ(got.frames[2], Frame(12, 'c'));
  EXPECT_EQ(buffer, std::string("\x10\x00", 2));
}

// However the stream is split into receives, the same frames come out once
// each, in order, and each as soon as its last byte is in.
TEST(FrameCutterTest, ResultDoesNotDependOnHowTheStreamIsSplit) {
  std::vector<std::string> sent = {Frame(11, 'a'), Frame(300, 'b'), Frame(15, 'c'), Frame(11, 'd')};
  std::string stream;
  for (const std::string& frame : sent) stream += frame;

  for (size_t chunk : {size_t(1), size_t(2), size_t(3), size_t(5), size_t(11), size_t(64), stream.size()}) {
    SCOPED_TRACE("chunk " + std::to_string(chunk));
    std::string buffer;
    Collected got;
    size_t frameEnd = 0, nextFrame = 0;
    for (size_t at = 0; at < stream.size(); at += chunk) {
      buffer.append(stream, at, chunk);
      ASSERT_EQ(CutFrames(buffer, got.handler()), CutResult::kWaitingForMore);
      size_t received = std::min(at + chunk, stream.size());
      while (nextFrame < sent.size() && frameEnd + sent[nextFrame].size() <= received) {
        frameEnd += sent[nextFrame++].size();
      }
      ASSERT_EQ(got.frames.size(), nextFrame) << "after " << received << " bytes";
      EXPECT_EQ(buffer.size(), received - frameEnd);
    }
    EXPECT_EQ(got.frames, sent);
  }
}

TEST(FrameCutterTest, FewerThanFourBytesAreNotLookedAt) {
  std::string buffer("\x00\x00\x00", 3);  // would be a bad length once complete
  Collected got;
  EXPECT_EQ(CutFrames(buffer, got.handler()), CutResult::kWaitingForMore);
  EXPECT_EQ(buffer.size(), 3u);
}

TEST(FrameCutterTest, LengthsOutsideTheFrameLimitsDropTheBuffer) {
  struct Case {
    uint32_t length;
    bool valid;
  } cases[] = {{0, false},          {4, false},          {10, false},         {11, true},
               {kMaxFrameLength, true}, {kMaxFrameLength + 1, false}, {0x80000000u, false}, {0xFFFFFFFFu, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    EXPECT_EQ(IsValidFrameLength(c.length), c.valid);
    // A good frame, then one with this length field and a few bytes.
    std::string buffer = Frame(12, 'g') + LengthField(c.length) + "xyz";
    Collected got;
    uint32_t badLength = 1;
    CutResult result = CutFrames(buffer, got.handler(), &badLength);
    ASSERT_EQ(got.frames.size(), 1u);  // the frame before it still counts
    if (c.valid) {
      EXPECT_EQ(result, CutResult::kWaitingForMore);
      EXPECT_EQ(buffer, LengthField(c.length) + "xyz");  // waits for the rest
    } else {
      EXPECT_EQ(result, CutResult::kBadLength);
      EXPECT_EQ(badLength, c.length);
      EXPECT_TRUE(buffer.empty());
    }
  }
}

TEST(FrameCutterTest, AFrameWhoseHandlerThrowsIsStillConsumed) {
  std::string buffer = Frame(11, 'a') + Frame(11, 'b') + Frame(11, 'c');
  int calls = 0;
  FrameHandler throwOnSecond = [&](const char*, uint32_t) {
    if (++calls == 2) throw std::runtime_error("service failed");
  };
  EXPECT_THROW(CutFrames(buffer, throwOnSecond), std::runtime_error);
  EXPECT_EQ(buffer, Frame(11, 'c'));
  Collected got;
  CutFrames(buffer, got.handler());
  EXPECT_EQ(got.frames, std::vector<std::string>{Frame(11, 'c')});
}

}  // namespace
}  // namespace logic
