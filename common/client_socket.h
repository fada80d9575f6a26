// The NetWork library's client-socket contract.
//
// IClientSocket_Creater makes a non-blocking TCP client socket.  The slot
// order of both interfaces is fixed: callers reach the operations by
// position.  Slots the engine never calls are kept as reserved entries.
//
// Threading: a socket must be created on a thread that pumps Windows
// messages.  Every notification (OnConnect, OnReceive, OnSend, OnClose) is
// delivered on that thread, from its message loop, so a caller that also
// sends from that thread is serialised with the notifications without a lock.
//
// Addresses: the 32-bit address value given to Connect is a pointer to a
// NUL-terminated narrow string holding a host name or dotted IPv4 text
// ("127.0.0.1"); the string need only live for the duration of the call.
#ifndef COMMON_CLIENT_SOCKET_H_
#define COMMON_CLIENT_SOCKET_H_

#if defined(_WIN32) && !defined(NETWORK_STATIC)
#ifdef NETWORK_BUILD
#define NETWORK_API __declspec(dllexport)
#else
#define NETWORK_API __declspec(dllimport)
#endif
#else
#define NETWORK_API
#endif

namespace logic {

// Notifications of a client socket.  Each takes the Winsock error code of the
// event (0 for success).
struct IClientSocket_Callback {
  virtual void OnClose(int errorCode) = 0;     // 0: the connection ended
  virtual void OnConnect(int errorCode) = 0;   // 1: a connect attempt finished
  virtual void OnReceive(int errorCode) = 0;   // 2: bytes can be read
  virtual void OnSend(int errorCode) = 0;      // 3: the socket can take bytes again
  virtual void OnReserved(int value) = 0;      // 4: never called
};

}  // namespace logic

struct IClientSocket {
  // [0] Makes the underlying socket now (Connect makes it when needed).
  // Non-zero on success.
  virtual int Create(int reserved) = 0;
  // [1] Offers `len` bytes; returns how many the socket took (0..len), or -1
  // with the reason in WSAGetLastError() (10035 when it cannot take any now).
  virtual int Send(const char* data, int len) = 0;
  // [2] Reads up to `len` bytes; the count read, 0 at end of stream, or -1.
  virtual int Receive(char* buffer, int len, int flags) = 0;
  virtual int Reserved3() = 0;  // [3]
  // [4] Starts connecting; non-zero when connected at once, 0 otherwise with
  // WSAGetLastError() 10035 while the attempt is under way.  The outcome
  // arrives as OnConnect.
  virtual int Connect(const char* address, unsigned short port) = 0;
  // [5] Non-zero while a connection is established.
  virtual int IsConnected() = 0;
  virtual int Reserved6() = 0;  // [6]
  virtual int Reserved7() = 0;  // [7]
  virtual int Reserved8() = 0;  // [8]
  // [9] Closes the connection; no OnClose follows.  Returns non-zero when a
  // connection or attempt was closed.
  virtual int Close() = 0;
  virtual int Reserved10() = 0;  // [10]
  // [11] Where notifications go (null: nowhere).
  virtual void SetCallback(logic::IClientSocket_Callback* callback) = 0;
  virtual int Reserved12() = 0;  // [12]
  virtual int Reserved13() = 0;  // [13]
  // [14] Closes and deletes the socket object.
  virtual void Release() = 0;

 protected:
  ~IClientSocket() = default;
};

NETWORK_API IClientSocket* IClientSocket_Creater();

#endif  // COMMON_CLIENT_SOCKET_H_
