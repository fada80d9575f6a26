// ILogic: the engine facade, the host's only way into the engine.
//
// The host creates one engine per process with CreateSingletonICalvex, gets
// the facade with GetLogic, calls start() and stop() on its user-interface
// thread (which pumps messages), and destroys the engine with
// DestroySingletonICalvex.  Between start and stop every other operation may
// be called from any thread, under the limits that each sub-interface states.
//
// The facade has five tables of virtual operations, one per base, in the
// order of the bases; the host calls them by position.
#ifndef CALVEX_CORE_LOGIC_H_
#define CALVEX_CORE_LOGIC_H_

#include <string>

#include "afxstr.h"
#include "afxtypes.h"
#include "calvex_api.h"
#include "doc_delegate.h"
#include "event.h"
#include "link_service_callback.h"
#include "service.h"
#include "task.h"

namespace logic {

class Property;
class LFrame;
struct Marshallable;

// The four sub-interfaces are reached only through ILogic.  They live in a
// named namespace of their own: in an unnamed one, a compiler that sees no
// implementation in the host's source file may conclude that nothing
// implements them and optimise calls through them away.
namespace facade {

// The document: data sets of keyed records (primary table, slots 0-14).
// Safe from any thread.  Change operations with notify TRUE post an event that
// calls the matching subscriptions on the user-interface thread.
struct ILogicDocument {
  virtual int openDataSet(int tag, std::string name, int flags) = 0;
  virtual int closeDataSet(const std::string& name) = 0;
  virtual void subscribe(void* owner, const DocDelegate& callback, const std::string& name, std::string key,
                         unsigned fieldId) = 0;
  virtual void unsubscribe(const DocDelegate& callback) = 0;
  virtual void unsubscribeOwner(void* owner) = 0;
  virtual void putInt(const std::string& name, const std::string& key, unsigned fieldId, int value,
                      BOOL notify) = 0;
  virtual void putCString(const std::string& name, const std::string& key, unsigned fieldId, const CString& value,
                          BOOL notify) = 0;
  virtual void putString(const std::string& name, const std::string& key, unsigned fieldId,
                         const std::string& value, BOOL notify) = 0;
  virtual void putProperty(const std::string& name, const std::string& key, const Property& value,
                           BOOL notify) = 0;
  virtual BOOL getInt(const std::string& name, const std::string& key, unsigned fieldId, int& value) = 0;
  virtual BOOL getCString(const std::string& name, const std::string& key, unsigned fieldId, CString& value) = 0;
  virtual BOOL getString(const std::string& name, const std::string& key, unsigned fieldId,
                         std::string& value) = 0;
  virtual BOOL getProperty(const std::string& name, const std::string& key, Property& value) = 0;
  virtual void removeProperty(const std::string& name, const std::string& key, BOOL notify) = 0;
  virtual int save() = 0;
};

// Scheduling: events and timers on the user-interface thread, tasks on the
// worker thread.  Safe from any thread.
struct ILogicWorker {
  virtual int postEvent(IEvent* event) = 0;
  virtual int addTimer(ITimerEvent* event, unsigned interval, int timerFlag) = 0;
  virtual int removeTimer(ITimerEvent* event) = 0;
  virtual int postTask(ITask* task) = 0;
};

// The service registry.  Not locked: change it only while no frame can be
// dispatched (before the link connects, after it is closed).
struct ILogicService {
  virtual int registerService(IService* service) = 0;
  virtual int unregisterService(IService* service) = 0;
  virtual IService* getService(unsigned short serviceID) = 0;
};

// A placeholder: sendPacket does nothing.
struct INetWork {
  virtual void sendPacket(LFrame& frame, Marshallable& body) = 0;
};

}  // namespace facade

struct CALVEX_API ILogic : public facade::ILogicDocument,
                           public facade::ILogicWorker,
                           public facade::ILogicService,
                           public facade::INetWork,
                           public ILinkService_Callback {
  // The constructors only install the tables; assignment does nothing.
  ILogic();
  ILogic(const ILogic& other);
  ILogic& operator=(const ILogic& other);

  // User-interface thread only.  0 started; 2 the dispatcher window could not
  // be made (also for a start after a stop); 1 already started; 4, 5 or 7 the
  // document file could not be read (the engine runs all the same).
  virtual int start() = 0;
  // The thread that called start.  Returns the document save's result.
  virtual int stop() = 0;
  virtual void setContextName(const std::string& name) = 0;
  virtual std::string getContextName() = 0;
  virtual void release() = 0;
};

// The engine singleton: null before CreateSingletonICalvex and after
// DestroySingletonICalvex.
extern CALVEX_API ILogic* g_logic;

// Creates the engine with the document file's path (UTF-8).  0 on success and
// when an engine already exists (the argument is then ignored); 1 when the
// engine could not be allocated.  Does not start it.
CALVEX_API unsigned CreateSingletonICalvex(std::string& documentPath);
// Deletes the engine (without saving the document) and clears the singleton.
CALVEX_API void DestroySingletonICalvex();
CALVEX_API ILogic* GetLogic();

}  // namespace logic

#endif  // CALVEX_CORE_LOGIC_H_
