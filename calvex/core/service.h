// IService: base of the network services registered with the engine, each
// known by a 16-bit id.  A service that receives frames adds onPacket as its
// slot 4 (see ILinkService's users).  The order of the virtual operations is
// part of the exported interface.
#ifndef CALVEX_CORE_SERVICE_H_
#define CALVEX_CORE_SERVICE_H_

#include "calvex_api.h"

namespace logic {

struct ILogic;
class IAsynSocketTask;
class LFrame;
class Unpack;

class CALVEX_API IService {
 public:
  explicit IService(ILogic* logic);
  IService(const IService& other);
  IService& operator=(const IService& other);
  virtual ~IService();            // 0
  virtual int onRegister() = 0;   // 1: once, after joining the registry
  virtual int onUnregister() = 0; // 2: after leaving it, and at stop
  virtual void release() = 0;     // 3: disposes of the service at stop

  short getServiceID() const { return serviceID; }

 protected:
  short serviceID;  // 0 until the derived service sets its id
  ILogic* logic;
};

// A service that receives frames: slot 4 is called on the worker thread with
// the frame's header and a reader over its body, both valid for the call.
class CALVEX_API IPacketService : public IService {
 public:
  explicit IPacketService(ILogic* logic) : IService(logic) {}
  virtual void onPacket(IAsynSocketTask* task, LFrame& frame, const Unpack& body) = 0;  // 4
};

}  // namespace logic

#endif  // CALVEX_CORE_SERVICE_H_
