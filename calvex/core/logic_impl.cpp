#include "logic_impl.h"

#include <windows.h>

#include <new>

#include "convert.h"
#include "dispatch_packet_task.h"
#include "document.h"
#include "event_service.h"
#include "lframe.h"
#include "link_service.h"
#include "task_service.h"
#include "unpack.h"

namespace logic {

CALVEX_API ILogic* g_logic = nullptr;

namespace {
const int kNullOrNotStarted = 3;
const int kServiceExists = 0x10002;
const int kServiceNotRegistered = 0x10003;
}  // namespace

Logic_Impl::Logic_Impl(const std::string& documentPath)
    : eventService(nullptr),
      taskService(nullptr),
      services(nullptr),
      document(nullptr),
      linkService(nullptr),
      contextName("default") {
  eventService = new LogicEventService();
  taskService = new LogicTaskService();
  services = new std::vector<IService*>();
  linkService = new LinkService_Impl(this);
  registerService(linkService);
  linkService->setCallback(static_cast<ILinkService_Callback*>(this));
  document = new Document(documentPath);
}

Logic_Impl::~Logic_Impl() {
  // The worker goes first, so that a task still running cannot reach a
  // dispatcher that is already gone.
  delete taskService;
  taskService = nullptr;
  delete eventService;
  eventService = nullptr;
  // The engine's own link service is closed and disposed of even without a
  // stop, so that no notification can reach this facade after it is gone.
  // Host services still registered stay with the host.
  if (linkService != nullptr) {
    linkService->removeCallback();
    linkService->close();
    linkService->release();
    linkService = nullptr;
  }
  delete services;
  services = nullptr;
  delete document;
  document = nullptr;
}

// ---------------------------------------------------------------- lifetime

int Logic_Impl::start() {
  if (eventService->getWindow() == nullptr) {
    HWND window = eventService->createWindow();
    if (!IsWindow(window)) return 2;
  }
  int result = taskService->start();
  if (result != 0) return result;
  return document->load();
}

int Logic_Impl::stop() {
  // A second stop finds the link already released and every part stopped;
  // it only saves the document again.
  if (linkService != nullptr) linkService->close();
  taskService->stop();
  eventService->stop();
  stopServices();
  linkService = nullptr;
  return document->close();
}

void Logic_Impl::setContextName(const std::string& name) { contextName = name; }

std::string Logic_Impl::getContextName() { return contextName; }

void Logic_Impl::release() { delete this; }

// ---------------------------------------------------------------- document

void Logic_Impl::deliverChange(IDocEvent* event, BOOL notify) {
  if (event == nullptr) return;
  if (!notify || postEvent(event) != 0) event->release();
}

int Logic_Impl::openDataSet(int tag, std::string name, int flags) { return document->openDataSet(tag, name, flags); }

int Logic_Impl::closeDataSet(const std::string& name) { return document->closeDataSet(name); }

void Logic_Impl::subscribe(void* owner, const DocDelegate& callback, const std::string& name, std::string key,
                           unsigned fieldId) {
  document->subscribe(owner, callback, name, key, fieldId);
}

void Logic_Impl::unsubscribe(const DocDelegate& callback) { document->unsubscribe(callback); }

void Logic_Impl::unsubscribeOwner(void* owner) { document->unsubscribeOwner(owner); }

void Logic_Impl::putInt(const std::string& name, const std::string& key, unsigned fieldId, int value,
                        BOOL notify) {
  std::string text = common::Int2String(static_cast<__int64>(value));
  if (text.empty()) return;
  deliverChange(document->putString(name, key, fieldId, text), notify);
}

void Logic_Impl::putCString(const std::string& name, const std::string& key, unsigned fieldId,
                            const CString& value, BOOL notify) {
  std::string text;
  if (!common::CString_to_utf8(value, text, 0)) return;
  deliverChange(document->putString(name, key, fieldId, text), notify);
}

void Logic_Impl::putString(const std::string& name, const std::string& key, unsigned fieldId,
                           const std::string& value, BOOL notify) {
  deliverChange(document->putString(name, key, fieldId, value), notify);
}

void Logic_Impl::putProperty(const std::string& name, const std::string& key, const Property& value,
                             BOOL notify) {
  deliverChange(document->putProperty(name, key, value), notify);
}

BOOL Logic_Impl::getInt(const std::string& name, const std::string& key, unsigned fieldId, int& value) {
  std::string text;
  if (!document->getString(name, key, fieldId, text)) return FALSE;
  int previous = value;
  if (!common::Bytes2Int(text, value)) {
    value = previous;
    return FALSE;
  }
  return TRUE;
}

BOOL Logic_Impl::getCString(const std::string& name, const std::string& key, unsigned fieldId, CString& value) {
  std::string text;
  if (!document->getString(name, key, fieldId, text)) return FALSE;
  return common::utf8_to_CString(text, value, 0);
}

BOOL Logic_Impl::getString(const std::string& name, const std::string& key, unsigned fieldId,
                           std::string& value) {
  return document->getString(name, key, fieldId, value);
}

BOOL Logic_Impl::getProperty(const std::string& name, const std::string& key, Property& value) {
  return document->getProperty(name, key, value);
}

void Logic_Impl::removeProperty(const std::string& name, const std::string& key, BOOL notify) {
  deliverChange(document->removeProperty(name, key), notify);
}

int Logic_Impl::save() { return document->save(); }

// ---------------------------------------------------------------- scheduling

int Logic_Impl::postEvent(IEvent* event) { return eventService->postEvent(event); }

int Logic_Impl::addTimer(ITimerEvent* event, unsigned interval, int timerFlag) {
  return eventService->addTimer(event, interval, timerFlag);
}

int Logic_Impl::removeTimer(ITimerEvent* event) { return eventService->removeTimer(event); }

int Logic_Impl::postTask(ITask* task) { return taskService->post(task); }

// ---------------------------------------------------------------- registry

int Logic_Impl::registerService(IService* service) {
  if (service == nullptr || service->getServiceID() == 0) return kNullOrNotStarted;
  if (getService(static_cast<unsigned short>(service->getServiceID())) != nullptr) return kServiceExists;
  services->push_back(service);
  service->onRegister();
  return 0;
}

int Logic_Impl::unregisterService(IService* service) {
  if (service == nullptr || service->getServiceID() == 0) return kNullOrNotStarted;
  for (auto it = services->begin(); it != services->end(); ++it) {
    if ((*it)->getServiceID() == service->getServiceID()) {
      services->erase(it);
      service->onUnregister();
      return 0;
    }
  }
  return kServiceNotRegistered;
}

IService* Logic_Impl::getService(unsigned short serviceID) {
  // Ids compare as 16-bit patterns: a frame's 0x8001 finds the service whose
  // signed id reads -32767.
  for (IService* service : *services) {
    if (static_cast<unsigned short>(service->getServiceID()) == serviceID) return service;
  }
  return nullptr;
}

void Logic_Impl::stopServices() {
  std::vector<IService*> stopping;
  stopping.swap(*services);
  for (IService* service : stopping) {
    service->onUnregister();
    service->release();
  }
}

// ---------------------------------------------------------------- link

void Logic_Impl::sendPacket(LFrame&, Marshallable&) {}

void Logic_Impl::onLinkStatus(int) {}

int Logic_Impl::onLinkPacket(const Unpack& frameBytes) {
  LFrame header;
  header.unmarshal(frameBytes);
  DispatchPacketTask* task = new DispatchPacketTask(this, header, frameBytes);
  int result = postTask(task);
  // A refused post leaves the task with us; one queued without a wake-up
  // (0x20003) still belongs to the task service.
  if (result == kNullOrNotStarted) task->release();
  return result;
}

void Logic_Impl::onLinkError() {}

// ---------------------------------------------------------------- exports

unsigned CreateSingletonICalvex(std::string& documentPath) {
  if (g_logic != nullptr) return 0;
  try {
    g_logic = new Logic_Impl(documentPath);
  } catch (const std::bad_alloc&) {
    return 1;
  }
  return 0;
}

void DestroySingletonICalvex() {
  if (g_logic != nullptr) g_logic->release();
  g_logic = nullptr;
}

ILogic* GetLogic() { return g_logic; }

}  // namespace logic
