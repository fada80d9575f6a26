#include "async_socket_task.h"

#include <windows.h>

namespace logic {
namespace {
const DWORD kSendPacketPauseMs = 3000;
}  // namespace

IAsynSocketTask::IAsynSocketTask(ILogic* logic) : logic(logic) {}

IAsynSocketTask::IAsynSocketTask(const IAsynSocketTask& other) : ITask(other), logic(other.logic) {}

IAsynSocketTask& IAsynSocketTask::operator=(const IAsynSocketTask& other) {
  ITask::operator=(other);
  logic = other.logic;
  return *this;
}

IAsynSocketTask::~IAsynSocketTask() {}

void IAsynSocketTask::sendPacket(LFrame&, Marshallable&) { Sleep(kSendPacketPauseMs); }

void IAsynSocketTask::sendPacketAndWaitResponse(LFrame&, Marshallable&) {}

}  // namespace logic
