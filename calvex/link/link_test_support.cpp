#include "link_test_support.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "afxstr.h"
#include "pack.h"
#include "unpack.h"

namespace linktest {

int RecordingLinkCallback::onLinkPacket(const logic::Unpack& frameBytes) {
  std::string frame(frameBytes.data(), frameBytes.size());
  if (onFrame) onFrame(frame);
  frames.push_back(frame);
  return 0;
}

int ScriptedSocket::Create(int reserved) {
  createArgument = reserved;
  return createResult;
}

int ScriptedSocket::Send(const char* data, int len) {
  offered.emplace_back(data, len);
  SendStep step = Takes(len);
  if (!sendSteps.empty()) {
    step = sendSteps.front();
    sendSteps.pop_front();
  }
  if (step.throws) throw std::string("send failed");
  if (step.result < 0) {
    WSASetLastError(step.error);
    return -1;
  }
  int count = step.result < len ? step.result : len;
  taken.append(data, count);
  return count;
}

int ScriptedSocket::Receive(char* buffer, int len, int) {
  if (chunks.empty()) {
    WSASetLastError(WSAEWOULDBLOCK);
    return -1;
  }
  std::string& chunk = chunks.front();
  int count = static_cast<int>(chunk.size()) < len ? static_cast<int>(chunk.size()) : len;
  std::memcpy(buffer, chunk.data(), count);
  if (count == static_cast<int>(chunk.size())) {
    chunks.pop_front();
  } else {
    chunk.erase(0, count);
  }
  return count;
}

int ScriptedSocket::Connect(const char* address, unsigned short port) {
  connectAddress = address;
  connectPort = port;
  if (connectResult == 0) WSASetLastError(connectError);
  return connectResult;
}

int ScriptedSocket::Close() {
  ++closeCalls;
  return closeResult;
}

void ScriptedSocket::Release() {
  if (released != nullptr) *released = true;
  delete this;
}

void BytesBody::marshal(logic::Pack& pack) const {
  for (char byte : bytes) pack.push_uint8(static_cast<uint8_t>(byte));
}

TestServer::TestServer() : process_(), port_(0) {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  folder.erase(folder.find_last_of(L"\\/") + 1);
  std::wstring command = L"\"" + folder + L"linkserver.exe\"";

  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::vector<wchar_t> commandLine(command.begin(), command.end());
  commandLine.push_back(L'\0');
  BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                &process_);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    return;
  }
  // The first line names the port: "linkserver listening on 127.0.0.1:<port>".
  std::string line;
  char byte;
  DWORD got = 0;
  while (line.find('\n') == std::string::npos && ReadFile(readEnd, &byte, 1, &got, nullptr) && got == 1) {
    line.push_back(byte);
  }
  CloseHandle(readEnd);
  size_t colon = line.rfind(':');
  if (colon != std::string::npos) port_ = static_cast<unsigned short>(std::atoi(line.c_str() + colon + 1));
}

TestServer::~TestServer() {
  if (process_.hProcess != nullptr) {
    TerminateProcess(process_.hProcess, 0);
    WaitForSingleObject(process_.hProcess, 10000);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
}

}  // namespace linktest
