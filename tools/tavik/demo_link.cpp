#include "demo_link.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "demo_util.h"
#include "lframe.h"
#include "pack.h"
#include "link_server_protocol.h"
#include "link_service.h"
#include "property.h"
#include "unpack.h"

using namespace logic;

namespace {

const unsigned short kDemoService = 7;
const unsigned long kWaitMs = 30000;

// The host's service for id 7: prints every frame it is given, on the
// worker thread.
class EchoWatcher final : public IPacketService {
 public:
  explicit EchoWatcher(ILogic* engine) : IPacketService(engine) { serviceID = kDemoService; }
  int onRegister() override {
    Say("service %d registered", kDemoService);
    return 0;
  }
  int onUnregister() override { return 0; }
  void release() override {
    Say("service %d released", kDemoService);
    delete this;
  }
  void onPacket(IAsynSocketTask*, LFrame& frame, const Unpack& body) override {
    Property fields;
    fields.unmarshal(body);
    std::string text;
    fields.get(1, text);
    Say("frame received: service %u, command %u, %u bytes, field 1 = \"%s\"", frame.serviceID, frame.commandID,
        frame.length, text.c_str());
    ++frames;
  }
  std::atomic<int> frames{0};
};

// linkserver.exe from the demo's own folder, its first output line read for
// the port it listens on.
class ServerProcess {
 public:
  bool Start() {
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring command(module);
    command = L"\"" + command.substr(0, command.find_last_of(L"\\/") + 1) + L"linkserver.exe\" --once";
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return false;
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    bool started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                  &process_) != 0;
    CloseHandle(write_end);
    if (started) port_ = ReadPort(read_end);
    CloseHandle(read_end);
    return started && port_ != 0;
  }

  void Stop() {
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(process_.hProcess, 0);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
  }

  unsigned short port() const { return port_; }

 private:
  static unsigned short ReadPort(HANDLE from) {
    std::string line;
    char ch;
    DWORD got = 0;
    while (line.size() < 200 && ReadFile(from, &ch, 1, &got, nullptr) && got == 1 && ch != '\n') line += ch;
    unsigned port = 0;
    size_t colon = line.rfind(':');
    if (colon != std::string::npos) std::sscanf(line.c_str() + colon + 1, "%u", &port);
    return static_cast<unsigned short>(port);
  }

  PROCESS_INFORMATION process_ = {};
  unsigned short port_ = 0;
};

Property Greeting(const char* text) {
  Property body;
  body.put(1, text);
  return body;
}

}  // namespace

bool RunLinkDemo(ILogic* engine) {
  ServerProcess server;
  if (!server.Start()) {
    Say("link demo: could not start linkserver.exe");
    return false;
  }
  Say("link demo: frame server listening on 127.0.0.1:%u", server.port());

  // Services are registered before the link connects: the registry is not
  // locked against the worker's look-ups.
  EchoWatcher* watcher = new EchoWatcher(engine);
  engine->registerService(watcher);
  ILinkService* link = static_cast<ILinkService*>(engine->getService(1));
  const char* address = "127.0.0.1";
  Say("connect: %s", link->connect(address, server.port()) ? "under way" : "FAILED");

  // Three frames that the server echoes back...
  const char* texts[] = {"first", "second", "third"};
  for (unsigned short i = 0; i < 3; ++i) {
    LFrame frame(kDemoService, static_cast<unsigned short>(i + 1));
    Property body = Greeting(texts[i]);
    link->sendPacket(frame, body);
    Say("frame sent: service %d, command %d, field 1 = \"%s\"", kDemoService, i + 1, texts[i]);
  }
  // ...and one that the server sends back one byte at a time.
  Property slow = Greeting("sent byte by byte");
  LFrame slowHeader(kDemoService, 4);
  std::string slowFrame;
  {
    Buffer buffer;
    Pack pack(buffer);
    slowHeader.marshal(pack);
    slow.marshal(pack);
    pack.replace_uint32(0, pack.size());
    slowFrame.assign(pack.data(), pack.size());
  }
  std::string control = linkserver::MakeSendBytes(slowFrame, 1);
  link->write(control.data(), static_cast<unsigned>(control.size()));
  Say("asked the server to send a frame one byte at a time (%u bytes)", static_cast<unsigned>(slowFrame.size()));

  bool ok = PumpUntil([&] { return watcher->frames >= 4; }, kWaitMs);
  Say("link demo: %d of 4 frames came back", watcher->frames.load());
  link->close();
  server.Stop();
  return ok;
}
