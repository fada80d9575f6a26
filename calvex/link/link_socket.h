// LinkSocket: the engine's end of the connection to the server.
//
// It owns one client socket, keeps the bytes the socket has not taken yet
// (sendBuffer) and the received bytes not yet cut into frames (recvBuffer),
// writes whole frames, and turns the socket's notifications into calls on an
// ILinkService_Callback: every complete received frame goes to onLinkPacket,
// in stream order.
//
// Threads: no lock and no thread of its own.  Every call into one LinkSocket
// (sends from the host, the socket's notifications, the link service's use
// of its members) must come from one thread: the thread that created the
// client socket, on which the socket delivers its notifications.
//
// Failures never leave a notification: a failed frame delivery is reported
// with onLinkError and the link stays up; a bad frame length (a protocol
// violation) closes the link, drops the receive buffer and reports
// onLinkStatus(0); anything else thrown is traced and swallowed.
//
// The link service reads and sets `socket`, `sendBuffer`, `recvBuffer` and
// `callback` directly.  `socket` may be null when no client socket could be
// made; every operation then does nothing but report the link as down.
#ifndef CALVEX_LINK_LINK_SOCKET_H_
#define CALVEX_LINK_LINK_SOCKET_H_

#include <cstdint>
#include <string>

#include "client_socket.h"
#include "link_service_callback.h"

namespace logic {

class LFrame;
struct Marshallable;

class LinkSocket final : public IClientSocket_Callback {
 public:
  // At most this many bytes are read per receive notification.
  static constexpr int kReceiveChunk = 131072;

  // Makes its client socket with IClientSocket_Creater().
  LinkSocket();
  // Takes `clientSocket` (may be null) instead of making one; it is released
  // with this object.  Lets tests stand a scripted socket in.
  explicit LinkSocket(IClientSocket* clientSocket);
  ~LinkSocket();

  // Writes `body` behind `frame` as one frame.  A PackError* from building
  // the frame goes to the caller and nothing is written.
  void SendPacket(LFrame& frame, Marshallable& body);
  // Queues the bytes behind any still waiting and offers the whole queue to
  // the socket; what it does not take waits for OnSend.
  void Write(const char* data, unsigned len);

  // A new connection starts a new byte stream: the bytes of the old one (a
  // partial frame, unsent bytes) are dropped, also while frames of the old
  // stream are being delivered.
  void StartNewStream();

  // IClientSocket_Callback
  void OnClose(int errorCode) override;
  void OnConnect(int errorCode) override;
  void OnReceive(int errorCode) override;
  void OnSend(int errorCode) override;
  void OnReserved(int value) override;

  IClientSocket* socket;
  std::string sendBuffer;
  std::string recvBuffer;
  ILinkService_Callback* callback;

 private:
  LinkSocket(const LinkSocket&) = delete;
  LinkSocket& operator=(const LinkSocket&) = delete;

  enum class SendOutcome { kTaken, kWouldBlock, kFailed };
  // Offers sendBuffer to the socket and removes what it took.  A socket that
  // throws has failed, whatever its last error says.
  SendOutcome OfferPending();
  void ReceiveAndDispatch();
  void DeliverFrame(const char* frame, uint32_t length);
  // A hard send failure or a protocol violation: pending bytes go, the socket
  // is closed and the link is reported down.
  void DropLink();
  void ReportStatus(int status);
  void ReportDeliveryFailure();

  bool receiving_;      // OnReceive is running (a callback may re-enter it)
  bool receiveAgain_;   // a re-entered OnReceive asked for another read
  unsigned stream_;     // counts StartNewStream calls
};

}  // namespace logic

#endif  // CALVEX_LINK_LINK_SOCKET_H_
