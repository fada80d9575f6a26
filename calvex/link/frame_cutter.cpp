#include "frame_cutter.h"

namespace logic {
namespace {

const size_t kLengthFieldSize = 4;

// Removes the consumed front of the buffer when the cut ends, also when a
// handler throws, so no frame is ever handed over twice.
class ConsumedBytes {
 public:
  explicit ConsumedBytes(std::string& buffer) : buffer_(buffer), count_(0) {}
  ~ConsumedBytes() { buffer_.erase(0, count_); }
  size_t count() const { return count_; }
  void add(size_t n) { count_ += n; }
  void all() { count_ = buffer_.size(); }

 private:
  ConsumedBytes(const ConsumedBytes&) = delete;
  ConsumedBytes& operator=(const ConsumedBytes&) = delete;
  std::string& buffer_;
  size_t count_;
};

}  // namespace

uint32_t ReadFrameLength(const char* bytes) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
  return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
         static_cast<uint32_t>(b[3]) << 24;
}

bool IsValidFrameLength(uint32_t length) { return length >= kMinFrameLength && length <= kMaxFrameLength; }

CutResult CutFrames(std::string& buffer, const FrameHandler& handler, uint32_t* badLength) {
  ConsumedBytes consumed(buffer);
  while (buffer.size() - consumed.count() >= kLengthFieldSize) {
    const char* frame = buffer.data() + consumed.count();
    uint32_t length = ReadFrameLength(frame);
    if (!IsValidFrameLength(length)) {
      if (badLength != nullptr) *badLength = length;
      consumed.all();
      return CutResult::kBadLength;
    }
    if (length > buffer.size() - consumed.count()) {
      break;
    }
    consumed.add(length);
    handler(frame, length);
  }
  return CutResult::kWaitingForMore;
}

}  // namespace logic
