// ClientSocket: the non-blocking TCP client socket behind IClientSocket.
//
// Each socket owns a message-only window made on the thread that created the
// socket.  Winsock reports the socket's events to that window
// (WSAAsyncSelect), and the window procedure turns them into the callback's
// OnConnect, OnReceive, OnSend and OnClose.  Notifications therefore run on
// the creating thread, from its message loop, one at a time and never in the
// middle of a call the same thread makes into the socket.
//
// Threading: every operation, Release included, is called on the thread that
// created the socket; that thread must pump messages.  Close may be called
// from inside a notification; Release may not.
//
// Invariants:
//  - socket_ is INVALID_SOCKET, or a socket whose events go to window_ under
//    message_; messages under any other id, or for another socket, are stale
//    (they were queued before a Close) and are ignored;
//  - connecting_ and connected_ are never both true, and both are false
//    while socket_ is INVALID_SOCKET.
//
// Behaviour beyond the contract in client_socket.h:
//  - Send tries to hand over all bytes; a count below len means the socket is
//    full and an OnSend follows when it has room again.  While a connection
//    is still under way Send takes nothing (-1, 10035) and an OnSend follows
//    the successful OnConnect.
//  - When the peer ends the connection, bytes still readable are offered
//    through OnReceive before OnClose, so no data is lost at a close.
//  - After OnClose, or after OnConnect with an error, the socket is closed;
//    a later Connect makes a new one.  Connect refuses while a connection or
//    an attempt exists (10056, 10037).
//  - A host name is looked up (IPv4 only) inside Connect, which waits for
//    the answer; dotted text needs no lookup.
#ifndef PLATFORM_NETWORK_CLIENT_SOCKET_IMPL_H_
#define PLATFORM_NETWORK_CLIENT_SOCKET_IMPL_H_

#include <winsock2.h>
#include <windows.h>

#include "client_socket.h"

namespace network {

class ClientSocket final : public IClientSocket {
 public:
  ClientSocket();

  int Create(int reserved) override;
  int Send(const char* data, int len) override;
  int Receive(char* buffer, int len, int flags) override;
  int Reserved3() override { return 0; }
  int Connect(const char* address, unsigned short port) override;
  int IsConnected() override { return connected_ ? 1 : 0; }
  int Reserved6() override { return 0; }
  int Reserved7() override { return 0; }
  int Reserved8() override { return 0; }
  int Close() override;
  int Reserved10() override { return 0; }
  void SetCallback(logic::IClientSocket_Callback* callback) override { callback_ = callback; }
  int Reserved12() override { return 0; }
  int Reserved13() override { return 0; }
  void Release() override;

  // False when the notification window or Winsock could not be set up; every
  // operation then fails.
  bool usable() const { return window_ != nullptr && winsockStarted_; }

 private:
  ~ClientSocket();
  ClientSocket(const ClientSocket&) = delete;
  ClientSocket& operator=(const ClientSocket&) = delete;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void OnSocketMessage(SOCKET socket, int event, int error);
  void OnConnectEvent(SOCKET socket, int error);
  void OnCloseEvent(SOCKET socket, int error);
  // Offers the bytes still readable after the peer closed, while the
  // callback keeps taking them.
  void DrainReadable(SOCKET socket);
  // Closes the socket handle and stops its notifications.
  void CloseHandle();

  HWND window_;
  bool winsockStarted_;
  SOCKET socket_;
  UINT message_;           // window message of the current socket's events
  unsigned generation_;    // counts sockets made, to tell their messages apart
  bool connecting_;
  bool connected_;
  bool sendRefusedWhileConnecting_;
  logic::IClientSocket_Callback* callback_;
};

}  // namespace network

#endif  // PLATFORM_NETWORK_CLIENT_SOCKET_IMPL_H_
