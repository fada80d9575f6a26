// Logic_Impl: the engine facade.  It owns every part of the engine, builds
// and tears them down in a fixed order, starts and stops them, and forwards
// each interface operation to the part that does it.
//
// Threads: construct, start, stop and destroy on the host's user-interface
// thread (the link's client socket and the dispatcher window belong to that
// thread).  The document, scheduling and posting operations may be called
// from any thread; their parts lock for themselves.  The registry and
// contextName are not locked (see ILogicService).
//
// Invariants: linkService is also an entry of *services until stop releases
// every service; after that linkService is null.
#ifndef CALVEX_CORE_LOGIC_IMPL_H_
#define CALVEX_CORE_LOGIC_IMPL_H_

#include <string>
#include <vector>

#include "logic.h"

namespace logic {

class Document;
class LinkService_Impl;
class LogicEventService;
class LogicTaskService;

class Logic_Impl : public ILogic {
 public:
  explicit Logic_Impl(const std::string& documentPath);

  // ILogicDocument
  int openDataSet(int tag, std::string name, int flags) override;
  int closeDataSet(const std::string& name) override;
  void subscribe(void* owner, const DocDelegate& callback, const std::string& name, std::string key,
                 unsigned fieldId) override;
  void unsubscribe(const DocDelegate& callback) override;
  void unsubscribeOwner(void* owner) override;
  void putInt(const std::string& name, const std::string& key, unsigned fieldId, int value, BOOL notify) override;
  void putCString(const std::string& name, const std::string& key, unsigned fieldId, const CString& value,
                  BOOL notify) override;
  void putString(const std::string& name, const std::string& key, unsigned fieldId, const std::string& value,
                 BOOL notify) override;
  void putProperty(const std::string& name, const std::string& key, const Property& value, BOOL notify) override;
  BOOL getInt(const std::string& name, const std::string& key, unsigned fieldId, int& value) override;
  BOOL getCString(const std::string& name, const std::string& key, unsigned fieldId, CString& value) override;
  BOOL getString(const std::string& name, const std::string& key, unsigned fieldId, std::string& value) override;
  BOOL getProperty(const std::string& name, const std::string& key, Property& value) override;
  void removeProperty(const std::string& name, const std::string& key, BOOL notify) override;
  int save() override;

  // ILogic
  int start() override;
  int stop() override;
  void setContextName(const std::string& name) override;
  std::string getContextName() override;
  void release() override;
  virtual ~Logic_Impl();

  // ILogicWorker
  int postEvent(IEvent* event) override;
  int addTimer(ITimerEvent* event, unsigned interval, int timerFlag) override;
  int removeTimer(ITimerEvent* event) override;
  int postTask(ITask* task) override;

  // ILogicService
  int registerService(IService* service) override;
  int unregisterService(IService* service) override;
  IService* getService(unsigned short serviceID) override;

  // INetWork
  void sendPacket(LFrame& frame, Marshallable& body) override;

  // ILinkService_Callback
  void onLinkStatus(int status) override;
  int onLinkPacket(const Unpack& frameBytes) override;
  void onLinkError() override;

 private:
  Logic_Impl(const Logic_Impl&) = delete;
  Logic_Impl& operator=(const Logic_Impl&) = delete;

  // Each registered service gets onUnregister, then release; the registry is
  // left empty.
  void stopServices();
  // Posts a change event when notify is set (releasing it if the post is
  // refused), else releases it at once.
  void deliverChange(IDocEvent* event, BOOL notify);

  LogicEventService* eventService;
  LogicTaskService* taskService;
  std::vector<IService*>* services;
  Document* document;
  LinkService_Impl* linkService;
  std::string contextName;
};

}  // namespace logic

#endif  // CALVEX_CORE_LOGIC_IMPL_H_
