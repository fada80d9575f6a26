// linkserver: a test server for the link.  See link_server_protocol.h for
// what it does with the frames it receives.
//
// Usage: linkserver.exe [--port N] [--once]
//   --port N  listen on 127.0.0.1:N (default 0: a free port of the system's
//             choice)
//   --once    exit when the first connection ends
// The first line on standard output is "linkserver listening on
// 127.0.0.1:<port>".  Each connection is served on a thread of its own; the
// server runs until it is ended (or, with --once, until its connection ends).
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "link_server_protocol.h"

namespace {

using linkserver::kHeaderSize;

// Frames longer than this end the connection: the server is only a test aid.
const uint32_t kMaxAcceptedFrame = 64u * 1024 * 1024;
const DWORD kPauseBetweenPiecesMs = 30;

uint32_t ReadLittleEndian(const char* bytes, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[i]);
  return value;
}

bool SendAll(SOCKET connection, const char* data, size_t size) {
  while (size > 0) {
    int sent = send(connection, data, static_cast<int>(size), 0);
    if (sent == SOCKET_ERROR) return false;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

bool SendInPieces(SOCKET connection, const char* data, size_t size, size_t pieceSize) {
  if (pieceSize == 0) return SendAll(connection, data, size);
  for (size_t at = 0; at < size; at += pieceSize) {
    if (at > 0) Sleep(kPauseBetweenPiecesMs);
    size_t n = size - at < pieceSize ? size - at : pieceSize;
    if (!SendAll(connection, data + at, n)) return false;
  }
  return true;
}

void Reset(SOCKET connection) {
  linger hard = {1, 0};
  setsockopt(connection, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof(hard));
  closesocket(connection);
}

void CloseOrderly(SOCKET connection) {
  shutdown(connection, SD_SEND);
  closesocket(connection);
}

enum class Next { kGoOn, kEnded };

// Acts on one whole frame.
Next HandleFrame(SOCKET connection, const char* frame, uint32_t length) {
  uint16_t service = static_cast<uint16_t>(ReadLittleEndian(frame + 4, 2));
  uint16_t command = static_cast<uint16_t>(ReadLittleEndian(frame + 6, 2));
  if (service != linkserver::kControlService) {
    return SendAll(connection, frame, length) ? Next::kGoOn : Next::kEnded;
  }
  const char* body = frame + kHeaderSize;
  uint32_t bodySize = length - kHeaderSize;
  switch (command) {
    case linkserver::kSendBytes:
      if (bodySize < 2) return Next::kGoOn;
      return SendInPieces(connection, body + 2, bodySize - 2, ReadLittleEndian(body, 2)) ? Next::kGoOn
                                                                                           : Next::kEnded;
    case linkserver::kClose:
      CloseOrderly(connection);
      return Next::kEnded;
    case linkserver::kReset:
      Reset(connection);
      return Next::kEnded;
    default:
      return Next::kGoOn;
  }
}

void Serve(SOCKET connection) {
  BOOL noDelay = TRUE;
  setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
  std::string received;
  char chunk[65536];
  for (;;) {
    int n = recv(connection, chunk, sizeof(chunk), 0);
    if (n <= 0) break;
    received.append(chunk, static_cast<size_t>(n));
    size_t at = 0;
    while (received.size() - at >= 4) {
      uint32_t length = ReadLittleEndian(received.data() + at, 4);
      if (length < kHeaderSize || length > kMaxAcceptedFrame) {
        std::fprintf(stderr, "linkserver: bad frame length %u, closing\n", length);
        CloseOrderly(connection);
        return;
      }
      if (length > received.size() - at) break;
      if (HandleFrame(connection, received.data() + at, length) == Next::kEnded) return;
      at += length;
    }
    received.erase(0, at);
  }
  closesocket(connection);
}

}  // namespace

int main(int argc, char** argv) {
  unsigned short port = 0;
  bool once = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
      port = static_cast<unsigned short>(std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--once") == 0) {
      once = true;
    } else {
      std::fprintf(stderr, "usage: linkserver [--port N] [--once]\n");
      return 2;
    }
  }
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 1;
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  int size = sizeof(address);
  if (listener == INVALID_SOCKET || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listener, SOMAXCONN) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    std::fprintf(stderr, "linkserver: cannot listen on 127.0.0.1:%u (%d)\n", port, WSAGetLastError());
    return 1;
  }
  std::printf("linkserver listening on 127.0.0.1:%u\n", ntohs(address.sin_port));
  std::fflush(stdout);
  for (;;) {
    SOCKET connection = accept(listener, nullptr, nullptr);
    if (connection == INVALID_SOCKET) break;
    if (once) {
      Serve(connection);
      break;
    }
    std::thread(Serve, connection).detach();
  }
  closesocket(listener);
  WSACleanup();
  return 0;
}
