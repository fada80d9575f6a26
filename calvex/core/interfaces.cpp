// Out-of-line members of the exported task, event and service types.
#include "logic.h"
#include "service.h"
#include "task.h"

namespace logic {

// The exported types have no data of their own to copy: their constructors
// install the tables and their assignments do nothing.
ITask::ITask() {}
ITask::ITask(const ITask&) {}
ITask& ITask::operator=(const ITask&) { return *this; }
void ITask::onException(Exception*) {}

IEvent::IEvent() {}
IEvent::IEvent(const IEvent&) {}
IEvent& IEvent::operator=(const IEvent&) { return *this; }
void IEvent::onException(Exception*) {}

ITimerEvent::ITimerEvent() {}
ITimerEvent::ITimerEvent(const ITimerEvent& other) : IEvent(other) {}
ITimerEvent& ITimerEvent::operator=(const ITimerEvent&) { return *this; }

IDocEvent::IDocEvent() {}
IDocEvent::IDocEvent(const IDocEvent& other) : IEvent(other) {}
IDocEvent& IDocEvent::operator=(const IDocEvent&) { return *this; }

ILogic::ILogic() {}
ILogic::ILogic(const ILogic& other)
    : facade::ILogicDocument(other), facade::ILogicWorker(other), facade::ILogicService(other),
      facade::INetWork(other), ILinkService_Callback(other) {}
ILogic& ILogic::operator=(const ILogic&) { return *this; }

IUICallbackParam::IUICallbackParam() : code(0xFF) {}
IUICallbackParam::IUICallbackParam(const IUICallbackParam& other) : code(other.code) {}
IUICallbackParam& IUICallbackParam::operator=(const IUICallbackParam& other) {
  code = other.code;
  return *this;
}
IUICallbackParam::~IUICallbackParam() {}

IUITask::IUITask(UICallback& callback) : callback(callback) {}
IUITask::IUITask(const IUITask& other) : ITask(other), callback(other.callback) {}
IUITask& IUITask::operator=(const IUITask& other) {
  callback = other.callback;
  return *this;
}
IUITask::~IUITask() {}

void IUITask::uiCallback(IUICallbackParam* param) {
  if (callback.empty()) return;
  TaskEvent* event = new TaskEvent(callback, param);
  // A refused post (engine not started or already stopped) would strand the
  // event and the result: release them here instead.
  ILogic* engine = g_logic;
  if (engine == nullptr || engine->postEvent(event) != 0) event->release();
}

TaskEvent::TaskEvent(UICallback& callback, IUICallbackParam* param) : callback(callback), param(param) {}
TaskEvent::TaskEvent(const TaskEvent& other) : IEvent(other), callback(other.callback), param(other.param) {}
TaskEvent& TaskEvent::operator=(const TaskEvent& other) {
  callback = other.callback;
  param = other.param;
  return *this;
}

void TaskEvent::execute(ILogic*) {
  if (!callback.empty()) callback(param);
}

void TaskEvent::release() { delete this; }

TaskEvent::~TaskEvent() {
  if (param != nullptr) param->release();
}

IService::IService(ILogic* logic) : serviceID(0), logic(logic) {}
IService::IService(const IService& other) : serviceID(other.serviceID), logic(other.logic) {}
IService& IService::operator=(const IService& other) {
  serviceID = other.serviceID;
  logic = other.logic;
  return *this;
}
IService::~IService() {}

}  // namespace logic
