// Test aids of the link: a trace recorder, a recording link callback, a
// scripted client socket, and the test server as a child process.
//
// Threads: the recorders lock what worker threads may touch (trace lines);
// everything else is used on the test's thread.
#ifndef CALVEX_LINK_LINK_TEST_SUPPORT_H_
#define CALVEX_LINK_LINK_TEST_SUPPORT_H_

#include <winsock2.h>
#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "client_socket.h"
#include "link_service_callback.h"
#include "marshallable.h"
#include "trace.h"
#include "trace_recorder.h"

namespace linktest {

using TraceCapture = testsupport::TraceRecorder;
using testsupport::TraceLine;

// Keeps every status, whole frame and delivery failure the link reports.
// `onFrame`, when set, runs for each frame and may throw.
struct RecordingLinkCallback : logic::ILinkService_Callback {
  std::vector<int> statuses;
  std::vector<std::string> frames;
  int errors = 0;
  std::function<void(const std::string& frame)> onFrame;

  void onLinkStatus(int status) override { statuses.push_back(status); }
  int onLinkPacket(const logic::Unpack& frameBytes) override;
  void onLinkError() override { ++errors; }
};

// A client socket that does what the test scripts.  By default Send takes
// everything, Receive has nothing (-1, 10035) and Connect is under way.
class ScriptedSocket final : public IClientSocket {
 public:
  struct SendStep {
    int result;       // bytes taken, or -1
    int error;        // WSAGetLastError() after -1
    bool throws;      // Send throws instead
  };
  static SendStep Takes(int count) { return {count, 0, false}; }
  static SendStep Fails(int error) { return {-1, error, false}; }
  static SendStep Throws() { return {-1, 0, true}; }

  std::deque<SendStep> sendSteps;
  std::vector<std::string> offered;  // what each Send was offered
  std::string taken;                 // every byte taken, in order
  // Each Receive takes the next chunk; an empty chunk reads as 0 (end).
  std::deque<std::string> chunks;
  int closeCalls = 0;
  int closeResult = 1;
  int createResult = 7;
  int createArgument = -1;
  int connectResult = 0;
  int connectError = WSAEWOULDBLOCK;
  const char* connectAddress = nullptr;
  unsigned short connectPort = 0;
  bool* released = nullptr;  // set when the owner releases the socket
  logic::IClientSocket_Callback* callback = nullptr;

  int Create(int reserved) override;
  int Send(const char* data, int len) override;
  int Receive(char* buffer, int len, int flags) override;
  int Reserved3() override { return 0; }
  int Connect(const char* address, unsigned short port) override;
  int IsConnected() override { return 1; }
  int Reserved6() override { return 0; }
  int Reserved7() override { return 0; }
  int Reserved8() override { return 0; }
  int Close() override;
  int Reserved10() override { return 0; }
  void SetCallback(logic::IClientSocket_Callback* c) override { callback = c; }
  int Reserved12() override { return 0; }
  int Reserved13() override { return 0; }
  void Release() override;
};

// A body made of the given bytes.
struct BytesBody : logic::Marshallable {
  explicit BytesBody(std::string b = std::string()) : bytes(std::move(b)) {}
  void marshal(logic::Pack& pack) const override;
  void unmarshal(const logic::Unpack&) override {}
  std::string bytes;
};

// linkserver.exe from the folder of the running test, started on a free
// port; ended when the object goes.
class TestServer {
 public:
  TestServer();
  ~TestServer();
  bool running() const { return port_ != 0; }
  unsigned short port() const { return port_; }

 private:
  PROCESS_INFORMATION process_;
  unsigned short port_;
};

}  // namespace linktest

#endif  // CALVEX_LINK_LINK_TEST_SUPPORT_H_
