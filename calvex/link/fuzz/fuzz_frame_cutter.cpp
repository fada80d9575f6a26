// Fuzzes the frame cutter: the input is split into receives at the points
// its first bytes choose, and whatever comes out must match a one-pass cut
// of the whole stream (same frames, same order, each a valid frame carrying
// its own length), with nothing left over but a frame's incomplete start.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame_cutter.h"

namespace {

// The frames a whole stream holds, and whether it ends in a bad length.
bool CutAtOnce(const std::string& stream, std::vector<std::string>& frames, size_t& rest) {
  size_t at = 0;
  while (stream.size() - at >= 4) {
    uint32_t length = logic::ReadFrameLength(stream.data() + at);
    if (!logic::IsValidFrameLength(length)) return false;
    if (length > stream.size() - at) break;
    frames.push_back(stream.substr(at, length));
    at += length;
  }
  rest = stream.size() - at;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t splitCount = data[0] % 8;
  if (size < 1 + splitCount) return 0;
  std::vector<size_t> chunkSizes(data + 1, data + 1 + splitCount);
  std::string stream(reinterpret_cast<const char*>(data) + 1 + splitCount, size - 1 - splitCount);

  std::vector<std::string> expected;
  size_t expectedRest = 0;
  bool streamValid = CutAtOnce(stream, expected, expectedRest);

  std::vector<std::string> got;
  std::string buffer;
  bool sawBadLength = false;
  size_t at = 0, chunk = 0;
  while (at < stream.size() && !sawBadLength) {
    size_t n = chunk < chunkSizes.size() ? chunkSizes[chunk++] + 1 : stream.size() - at;
    if (n > stream.size() - at) n = stream.size() - at;
    buffer.append(stream, at, n);
    at += n;
    logic::CutResult result = logic::CutFrames(buffer, [&](const char* frame, uint32_t length) {
      if (!logic::IsValidFrameLength(length) || logic::ReadFrameLength(frame) != length) abort();
      got.emplace_back(frame, length);
    });
    if (result == logic::CutResult::kBadLength) {
      if (!buffer.empty()) abort();
      sawBadLength = true;
    }
  }
  if (sawBadLength == streamValid) abort();
  if (got != expected) abort();
  if (streamValid && buffer.size() != expectedRest) abort();
  return 0;
}
