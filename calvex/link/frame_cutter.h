// Cutting the link's byte stream into frames.
//
// Every frame starts with its total length (little-endian uint32, the 11
// header bytes included), so frames are cut by their length prefix.  Received
// bytes are appended to a buffer; CutFrames hands every complete frame at its
// front to a handler, oldest first, and then removes the handed-over bytes in
// one step, so a receive that brings many frames costs one compaction, not
// one per frame.
//
// A length below the header size or above the largest frame the engine can
// build is a protocol violation: nothing after it can be trusted, so the
// whole buffer is dropped.  The length is checked as soon as its four bytes
// are present, so a bad length never makes the buffer wait (and grow) for a
// frame that cannot exist; the buffer therefore never holds more than one
// largest frame plus one receive.
//
// Platform-neutral: no Windows headers.  Threads: a buffer is cut by one
// thread at a time; nothing here keeps state.
#ifndef CALVEX_LINK_FRAME_CUTTER_H_
#define CALVEX_LINK_FRAME_CUTTER_H_

#include <cstdint>
#include <functional>
#include <string>

namespace logic {

// The smallest frame: a header and no body.
const uint32_t kMinFrameLength = 11;
// The largest frame the engine can build (its serialization buffer's ceiling).
const uint32_t kMaxFrameLength = 1073741824u;

// The little-endian uint32 at `bytes` (at least four readable bytes).
uint32_t ReadFrameLength(const char* bytes);

bool IsValidFrameLength(uint32_t length);

enum class CutResult {
  kWaitingForMore,  // every complete frame was handed over; the rest stays
  kBadLength,       // a length field was out of range; the buffer is empty
};

// Receives one whole frame, header included.  The bytes lie inside the
// buffer being cut and are valid for the call only; the handler must not
// change the buffer.
typedef std::function<void(const char* frame, uint32_t length)> FrameHandler;

// Hands every complete frame at the front of `buffer` to `handler`, then
// removes them.  Frames before a bad length are handed over first, and the
// bad length is stored in `badLength` when given.  If the
// handler throws, the frames handed over so far (the throwing one included)
// are removed and the exception goes on to the caller.
CutResult CutFrames(std::string& buffer, const FrameHandler& handler, uint32_t* badLength = nullptr);

}  // namespace logic

#endif  // CALVEX_LINK_FRAME_CUTTER_H_
