// The control frames of the link test server (linkserver.exe).
//
// The server listens on 127.0.0.1 and speaks the frame protocol: every frame
// is a little-endian header (uint32 length of the whole frame, uint16
// service, uint16 command, uint16 extra, uint8 flags) and a body.  Frames of
// any service but kControlService are echoed back unchanged.  Frames of
// kControlService tell the server what to do:
//
//   kSendBytes   body: uint16 piece size, then any bytes.  The server sends
//                those bytes back in pieces of that size (0: all in one
//                send), pausing between pieces so that each arrives in a
//                segment of its own.  The bytes are sent as they are: whole
//                frames, parts of frames or bad lengths.
//   kClose       the server closes the connection in an orderly way.
//   kReset       the server resets the connection.
//
// Shared by the server and the tests that drive it; no Windows headers.
#ifndef TOOLS_LINKSERVER_LINK_SERVER_PROTOCOL_H_
#define TOOLS_LINKSERVER_LINK_SERVER_PROTOCOL_H_

#include <cstdint>
#include <string>

namespace linkserver {

const uint16_t kControlService = 0xFFF0;
const uint16_t kSendBytes = 1;
const uint16_t kClose = 2;
const uint16_t kReset = 3;

const uint32_t kHeaderSize = 11;

inline void AppendLittleEndian(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

// One whole frame with the given header fields and body.
inline std::string MakeFrame(uint16_t service, uint16_t command, const std::string& body, uint16_t extra = 0,
                             uint8_t flags = 0) {
  std::string frame;
  AppendLittleEndian(frame, static_cast<uint32_t>(kHeaderSize + body.size()), 4);
  AppendLittleEndian(frame, service, 2);
  AppendLittleEndian(frame, command, 2);
  AppendLittleEndian(frame, extra, 2);
  frame.push_back(static_cast<char>(flags));
  return frame + body;
}

// The control frame that makes the server send `bytes` in pieces.
inline std::string MakeSendBytes(const std::string& bytes, uint16_t pieceSize) {
  std::string body;
  AppendLittleEndian(body, pieceSize, 2);
  return MakeFrame(kControlService, kSendBytes, body + bytes);
}

}  // namespace linkserver

#endif  // TOOLS_LINKSERVER_LINK_SERVER_PROTOCOL_H_
