// The link against the real test server (linkserver.exe, started by the
// tests on a free port of 127.0.0.1): first the link service with a
// recording callback, then the whole engine, frames going from the socket to
// the services on the worker thread.
//
// The test's thread creates the sockets, so their notifications arrive
// through its message queue: the tests pump it while they wait.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "lframe.h"
#include "link_server_protocol.h"
#include "link_service.h"
#include "link_socket.h"
#include "link_test_support.h"
#include "logic.h"
#include "message_pump.h"
#include "unpack.h"

namespace logic {
namespace {

using linkserver::MakeFrame;
using linkserver::MakeSendBytes;
using linktest::BytesBody;
using linktest::RecordingLinkCallback;
using linktest::TestServer;
using linktest::TraceCapture;
using testsupport::PumpMessagesUntil;

const wchar_t kConnectedLine[] = L"LinkSocket connected, 0";

// One server per test program, ended when the program ends.
TestServer& Server() {
  static std::unique_ptr<TestServer> server(new TestServer());
  return *server;
}

std::string ControlFrame(unsigned short command) { return MakeFrame(linkserver::kControlService, command, ""); }

class LinkToServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Server().running()) << "linkserver.exe did not start";
    link = new LinkService_Impl(nullptr);
    link->setCallback(&callback);
    Connect();
  }
  void TearDown() override {
    if (link != nullptr) {
      link->close();
      link->release();
    }
  }

  void Connect() {
    int connectedLines = trace.count(kConnectedLine);
    ASSERT_TRUE(link->connect("127.0.0.1", Server().port()));
    ASSERT_TRUE(PumpMessagesUntil([&] { return trace.count(kConnectedLine) > connectedLines; }));
  }
  bool WaitForFrames(size_t count) {
    return PumpMessagesUntil([&] { return callback.frames.size() >= count; });
  }
  bool WaitForStatus() {
    return PumpMessagesUntil([&] { return !callback.statuses.empty(); });
  }

  TraceCapture trace;
  RecordingLinkCallback callback;
  LinkService_Impl* link = nullptr;
};

TEST_F(LinkToServerTest, SendsAFrameAndGetsItBack) {
  LFrame frame(1, 1);
  frame.extra = 5;
  BytesBody body("hello");
  link->sendPacket(frame, body);
  EXPECT_EQ(trace.count(L"LinkSocket::SendPacket: serviceid:1  commandid:1"), 1);
  ASSERT_TRUE(WaitForFrames(1));
  EXPECT_EQ(callback.frames[0], MakeFrame(1, 1, "hello", 5));
  EXPECT_TRUE(callback.statuses.empty());
}

// The server sends the same frames whole, several in one segment, byte by
// byte, with the header split, and in pieces that cross frame boundaries.
TEST_F(LinkToServerTest, ReceivesEveryFrameHoweverTheStreamIsSplit) {
  struct Case {
    const char* name;
    unsigned short pieceSize;
  } cases[] = {{"several frames in one segment", 0}, {"byte by byte", 1}, {"split header", 5}, {"crossing", 13}};
  std::vector<std::string> expected;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> frames = {MakeFrame(7, c.pieceSize, ""), MakeFrame(8, 2, "second body", 3, 1),
                                       MakeFrame(7, 3, std::string(20, 'z'))};
    std::string bytes;
    for (const std::string& frame : frames) {
      bytes += frame;
      expected.push_back(frame);
    }
    link->write(MakeSendBytes(bytes, c.pieceSize).data(), static_cast<unsigned>(MakeSendBytes(bytes, c.pieceSize).size()));
    ASSERT_TRUE(WaitForFrames(expected.size()));
    EXPECT_EQ(callback.frames, expected);
    EXPECT_TRUE(link->linkSocket->recvBuffer.empty());
  }
}

// Larger than one receive and than what the socket takes at once.
TEST_F(LinkToServerTest, CarriesAFrameLargerThanOneReceive) {
  std::string big(3 * LinkSocket::kReceiveChunk + 17, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 251);
  LFrame frame(7, 9);
  BytesBody body(big);
  link->sendPacket(frame, body);
  ASSERT_TRUE(PumpMessagesUntil([&] { return !callback.frames.empty() || !callback.statuses.empty(); }, 60000));
  ASSERT_EQ(callback.frames.size(), 1u);
  EXPECT_TRUE(callback.frames[0] == MakeFrame(7, 9, big));
  EXPECT_TRUE(link->linkSocket->sendBuffer.empty());
}

TEST_F(LinkToServerTest, ABadLengthClosesTheLinkCleanly) {
  std::string good = MakeFrame(7, 1, "before");
  std::string bad = std::string("\x05\x00\x00\x00", 4) + std::string(12, 'j');
  std::string request = MakeSendBytes(good + bad, 0);
  link->write(request.data(), static_cast<unsigned>(request.size()));
  ASSERT_TRUE(WaitForStatus());
  EXPECT_EQ(callback.statuses, std::vector<int>{0});
  EXPECT_EQ(callback.frames, std::vector<std::string>{good});
  EXPECT_TRUE(link->linkSocket->recvBuffer.empty());
  EXPECT_EQ(link->linkSocket->socket->IsConnected(), 0);
  EXPECT_EQ(trace.count(L"LinkSocket: bad frame length 5, link closed"), 1);

  // The link connects again and works.
  Connect();
  LFrame frame(7, 2);
  BytesBody body("after");
  link->sendPacket(frame, body);
  ASSERT_TRUE(WaitForFrames(2));
  EXPECT_EQ(callback.frames[1], MakeFrame(7, 2, "after"));
}

TEST_F(LinkToServerTest, TheServerEndingTheConnectionReportsTheLinkDown) {
  struct Case {
    const char* name;
    unsigned short command;
  } cases[] = {{"orderly close", linkserver::kClose}, {"reset", linkserver::kReset}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    callback.statuses.clear();
    callback.frames.clear();
    if (c.command != cases[0].command) Connect();
    // A frame sent just before the end still arrives, before the report.
    std::string last = MakeFrame(7, 1, "last words");
    std::string request = MakeSendBytes(last, 0) + ControlFrame(c.command);
    link->write(request.data(), static_cast<unsigned>(request.size()));
    ASSERT_TRUE(WaitForStatus());
    EXPECT_EQ(callback.statuses, std::vector<int>{0});
    if (c.command == linkserver::kClose) {
      EXPECT_EQ(callback.frames, std::vector<std::string>{last});
      EXPECT_EQ(trace.count(L"----------------------------- LinkSocket Onclose,errorcode: 0"), 1);
    }
  }
}

TEST(LinkToClosedPortTest, ConnectFailsAtOnceOrReportsTheFailure) {
  TraceCapture trace;
  RecordingLinkCallback callback;
  LinkService_Impl* link = new LinkService_Impl(nullptr);
  link->setCallback(&callback);
  unsigned short closedPort;
  {
    // A port that was free a moment ago and has no listener now.
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int size = sizeof(address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
    closedPort = ntohs(address.sin_port);
    closesocket(probe);
  }
  if (link->connect("127.0.0.1", closedPort)) {
    ASSERT_TRUE(PumpMessagesUntil([&] { return !callback.statuses.empty(); }));
    EXPECT_EQ(callback.statuses, std::vector<int>{1});
    EXPECT_EQ(trace.count(L"LinkSocket connected, 274D"), 1);  // 10061, refused
  }
  EXPECT_EQ(link->linkSocket->socket->IsConnected(), 0);
  link->release();
}

// ---------------------------------------------------------------- engine

// A host service that notes every frame it gets and the thread it got it on.
class NotingService : public IPacketService {
 public:
  struct Noted {
    int sequence;  // across all services: the order of delivery
    DWORD thread;
    unsigned length, flags, service, command, extra;
    std::string body;
  };
  explicit NotingService(short id) : IPacketService(nullptr) { serviceID = id; }
  int onRegister() override { return 0; }
  int onUnregister() override { return 0; }
  void release() override {}
  void onPacket(IAsynSocketTask*, LFrame& frame, const Unpack& body) override {
    std::lock_guard<std::mutex> hold(lock_);
    noted_.push_back({++delivered_, GetCurrentThreadId(), frame.length, frame.flags, frame.serviceID, frame.commandID, frame.extra,
                      std::string(body.data(), body.size())});
  }
  std::vector<Noted> noted() const {
    std::lock_guard<std::mutex> hold(lock_);
    return noted_;
  }

 private:
  static std::atomic<int> delivered_;
  mutable std::mutex lock_;
  std::vector<Noted> noted_;
};
std::atomic<int> NotingService::delivered_(0);

// The engine of this test program: made and started once, stopped at the end.
class EngineEnvironment : public ::testing::Environment {
 public:
  static ILogic* engine() { return engine_; }
  void SetUp() override {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    path_ = std::string(folder) + "link_server_test_" + std::to_string(GetCurrentProcessId()) + ".doc";
    if (CreateSingletonICalvex(path_) != 0) return;
    int started = GetLogic()->start();
    if (started == 1 || started == 2) return;
    engine_ = GetLogic();
  }
  void TearDown() override {
    if (GetLogic() != nullptr) {
      GetLogic()->stop();
      DestroySingletonICalvex();
    }
    DeleteFileA(path_.c_str());
  }

 private:
  static ILogic* engine_;
  std::string path_;
};
ILogic* EngineEnvironment::engine_ = nullptr;
::testing::Environment* const engineEnvironment = ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

TEST(EngineLinkTest, FramesReachTheirServicesInStreamOrderOnTheWorkerThread) {
  ASSERT_TRUE(Server().running());
  ILogic* engine = EngineEnvironment::engine();
  ASSERT_NE(engine, nullptr) << "the engine did not start";
  TraceCapture trace;
  NotingService seven(7), eight(8);
  ASSERT_EQ(engine->registerService(&seven), 0);
  ASSERT_EQ(engine->registerService(&eight), 0);
  ILinkService* link = static_cast<ILinkService*>(engine->getService(kLinkServiceID));
  ASSERT_NE(link, nullptr);
  ASSERT_TRUE(link->connect("127.0.0.1", Server().port()));
  ASSERT_TRUE(PumpMessagesUntil([&] { return trace.count(kConnectedLine) == 1; }));

  // From the server, cut in pieces of 7 bytes: frames for 7 and 8, one for an
  // id nobody registered and one for the link service itself, both dropped.
  std::string stream = MakeFrame(7, 1, "first", 11, 2) + MakeFrame(8, 1, "") + MakeFrame(9, 1, "nobody") +
                       MakeFrame(kLinkServiceID, 4, "not a packet service") + MakeFrame(7, 2, "second") +
                       MakeFrame(8, 2, std::string(300, 'b'));
  std::string request = MakeSendBytes(stream, 7);
  link->write(request.data(), static_cast<unsigned>(request.size()));
  // From the host: sent, echoed, delivered after everything above.
  LFrame frame(7, 3);
  BytesBody body("round trip");
  link->sendPacket(frame, body);

  ASSERT_TRUE(PumpMessagesUntil([&] { return seven.noted().size() == 3 && eight.noted().size() == 2; }));
  std::vector<NotingService::Noted> atSeven = seven.noted(), atEight = eight.noted();
  EXPECT_EQ(atSeven[0].length, 16u);
  EXPECT_EQ(atSeven[0].flags, 2u);
  EXPECT_EQ(atSeven[0].extra, 11u);
  EXPECT_EQ(atSeven[0].body, "first");
  EXPECT_EQ(atSeven[1].command, 2u);
  EXPECT_EQ(atSeven[1].body, "second");
  EXPECT_EQ(atSeven[2].command, 3u);
  EXPECT_EQ(atSeven[2].body, "round trip");
  EXPECT_EQ(atEight[0].body, "");
  EXPECT_EQ(atEight[1].body, std::string(300, 'b'));
  // Stream order across services: 7, 8, 7, 8, then the echo for 7.
  EXPECT_LT(atSeven[0].sequence, atEight[0].sequence);
  EXPECT_LT(atEight[0].sequence, atSeven[1].sequence);
  EXPECT_LT(atSeven[1].sequence, atEight[1].sequence);
  EXPECT_LT(atEight[1].sequence, atSeven[2].sequence);
  for (const auto& noted : {atSeven[0], atSeven[1], atSeven[2], atEight[0], atEight[1]}) {
    EXPECT_NE(noted.thread, GetCurrentThreadId());
    EXPECT_EQ(noted.thread, atSeven[0].thread);  // the one worker thread
    EXPECT_EQ(noted.service == 7 || noted.service == 8, true);
  }

  link->close();
  // Nothing can be dispatched any more: the registry may change.
  PumpMessagesUntil([] { return true; });
  engine->unregisterService(&seven);
  engine->unregisterService(&eight);
}

}  // namespace
}  // namespace logic
