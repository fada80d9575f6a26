// The link service: the engine's own service (id 1), which owns the
// connection to the server and offers the host the link operations.
//
// ILinkService is what the host sees (through getService(1)); its
// operations are called by position, slots 4 to 15 after IService's 0 to 3.
// LinkService_Impl forwards them to its LinkSocket.
//
// Connecting: the address is a pointer to a NUL-terminated host name or
// dotted IPv4 text ("127.0.0.1"), handed unchanged to the client socket.
// connect returns TRUE when connected or under way; the outcome of an attempt
// under way arrives later as a status report (onLinkStatus(1) on failure).
// A new connection starts a new byte stream: connect drops whatever the
// buffers still hold from an earlier connection.
//
// Threads: every operation, like the socket's notifications, runs on the
// thread that created the engine (the host's user-interface thread, which
// pumps messages); nothing here is locked.  A worker task that must send
// hands the frame to that thread (for instance with postEvent).
#ifndef CALVEX_LINK_LINK_SERVICE_H_
#define CALVEX_LINK_LINK_SERVICE_H_

#include "afxtypes.h"
#include "calvex_api.h"
#include "link_service_callback.h"
#include "service.h"

struct IClientSocket;

namespace logic {

class LFrame;
class LinkSocket;
struct Marshallable;

// The link service's id in the registry.
const unsigned short kLinkServiceID = 1;

class CALVEX_API ILinkService : public IService {
 public:
  explicit ILinkService(ILogic* logic) : IService(logic) {}

  // 4: passed unchanged to the client socket's Create.
  virtual int createSocket(int reserved) = 0;
  // 5: returns 0.
  virtual int reserved5(int value) = 0;
  // 6: TRUE when connected or under way, FALSE when the attempt failed.
  virtual BOOL connect(const char* const& address, unsigned short port) = 0;
  // 7: nothing.
  virtual void reserved7() = 0;
  // 8: drops the bytes not yet sent and closes the connection; the client
  // socket's Close result (non-zero when something was closed).
  virtual int close() = 0;
  // 9: writes `body` behind `frame` as one frame; a PackError* comes back to
  // the caller and nothing is sent.
  virtual void sendPacket(LFrame& frame, Marshallable& body) = 0;
  // 10: writes raw bytes, in order behind everything written before.
  virtual void write(const char* data, unsigned len) = 0;
  // 11-13: where status reports and received frames go (not owned).
  virtual void setCallback(ILinkService_Callback* callback) = 0;
  virtual void removeCallback() = 0;
  virtual ILinkService_Callback* getCallback() = 0;
  // 14, 15: nothing.
  virtual void reserved14() = 0;
  virtual void reserved15() = 0;
};

class LinkService_Impl : public ILinkService {
 public:
  explicit LinkService_Impl(ILogic* logic);
  // Takes `clientSocket` (may be null) instead of making one; for tests.
  LinkService_Impl(ILogic* logic, IClientSocket* clientSocket);
  ~LinkService_Impl() override;  // 0: deletes linkSocket

  int onRegister() override;    // 1: 0
  int onUnregister() override;  // 2: 0
  void release() override;      // 3: deletes this

  int createSocket(int reserved) override;
  int reserved5(int value) override;
  BOOL connect(const char* const& address, unsigned short port) override;
  void reserved7() override;
  int close() override;
  void sendPacket(LFrame& frame, Marshallable& body) override;
  void write(const char* data, unsigned len) override;
  void setCallback(ILinkService_Callback* callback) override;
  void removeCallback() override;
  ILinkService_Callback* getCallback() override;
  void reserved14() override;
  void reserved15() override;

  LinkSocket* linkSocket;  // owned

 private:
  LinkService_Impl(const LinkService_Impl&) = delete;
  LinkService_Impl& operator=(const LinkService_Impl&) = delete;
};

}  // namespace logic

#endif  // CALVEX_LINK_LINK_SERVICE_H_
