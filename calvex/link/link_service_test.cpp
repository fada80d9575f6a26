// The link service over a scripted client socket, the service registry of
// the facade, DispatchPacketTask run by hand, and IAsynSocketTask's
// placeholder sends.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "async_socket_task.h"
#include "dispatch_packet_task.h"
#include "lframe.h"
#include "link_server_protocol.h"
#include "link_service.h"
#include "link_socket.h"
#include "link_test_support.h"
#include "logic_impl.h"
#include "unpack.h"

namespace logic {
namespace {

using linktest::BytesBody;
using linktest::RecordingLinkCallback;
using linktest::ScriptedSocket;
using linktest::TraceCapture;

class LinkServiceTest : public ::testing::Test {
 protected:
  LinkServiceTest() : fake(new ScriptedSocket()), service(new LinkService_Impl(nullptr, fake)) {
    fake->released = &released;
  }
  ~LinkServiceTest() override {
    if (service != nullptr) service->release();
  }

  TraceCapture trace;
  bool released = false;
  ScriptedSocket* fake;  // owned by service
  LinkService_Impl* service;
};

TEST_F(LinkServiceTest, IsServiceOneAndReleasesItsSocketWithItself) {
  EXPECT_EQ(service->getServiceID(), 1);
  EXPECT_EQ(service->onRegister(), 0);
  EXPECT_EQ(service->onUnregister(), 0);
  EXPECT_EQ(service->reserved5(9), 0);
  EXPECT_EQ(fake->callback, service->linkSocket);
  service->release();
  service = nullptr;
  EXPECT_TRUE(released);
}

TEST_F(LinkServiceTest, ConnectHandsTheAddressOnAndCountsAnAttemptUnderWayAsSuccess) {
  struct Case {
    int result, error;
    BOOL expected;
  } cases[] = {{1, 0, TRUE},
               {0, WSAEWOULDBLOCK, TRUE},
               {0, WSAEINPROGRESS, TRUE},
               {0, WSAECONNREFUSED, FALSE},
               {0, WSAEISCONN, FALSE}};
  const char* address = "127.0.0.1";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    fake->connectResult = c.result;
    fake->connectError = c.error;
    EXPECT_EQ(service->connect(address, 4567), c.expected);
    EXPECT_EQ(fake->connectAddress, address);  // the pointer itself
    EXPECT_EQ(fake->connectPort, 4567);
  }
}

// A partial frame or unsent bytes of an earlier connection would garble the
// new connection's stream; an attempt that is refused changes nothing.
TEST_F(LinkServiceTest, ANewConnectionStartsWithEmptyBuffers) {
  const std::string partial("\x20\x00\x00\x00partial", 11);
  LinkSocket* socket = service->linkSocket;
  socket->recvBuffer = partial;
  socket->sendBuffer = "pending";
  fake->connectError = WSAEISCONN;
  service->connect("127.0.0.1", 1);
  EXPECT_EQ(socket->recvBuffer, partial);
  EXPECT_EQ(socket->sendBuffer, "pending");

  fake->connectError = WSAEWOULDBLOCK;
  service->connect("127.0.0.1", 1);
  EXPECT_TRUE(socket->recvBuffer.empty());
  EXPECT_TRUE(socket->sendBuffer.empty());
}

TEST_F(LinkServiceTest, CloseDropsUnsentBytesAndReturnsTheSocketsResult) {
  service->linkSocket->sendBuffer = "unsent";
  fake->closeResult = 5;
  EXPECT_EQ(service->close(), 5);
  EXPECT_TRUE(service->linkSocket->sendBuffer.empty());
  EXPECT_EQ(fake->closeCalls, 1);
}

TEST_F(LinkServiceTest, CreateSocketPassesThrough) {
  fake->createResult = 77;
  EXPECT_EQ(service->createSocket(12), 77);
  EXPECT_EQ(fake->createArgument, 12);
}

TEST_F(LinkServiceTest, SendsGoThroughTheLinkSocket) {
  LFrame frame(1, 1);
  BytesBody body("xy");
  service->sendPacket(frame, body);
  service->write("raw", 3);
  EXPECT_EQ(fake->taken, linkserver::MakeFrame(1, 1, "xy") + "raw");
  EXPECT_EQ(trace.count(L"LinkSocket::SendPacket: serviceid:1  commandid:1"), 1);
}

TEST_F(LinkServiceTest, WithoutACallbackFramesAndStatusGoNowhere) {
  RecordingLinkCallback callback;
  service->setCallback(&callback);
  EXPECT_EQ(service->getCallback(), &callback);
  fake->chunks.push_back(linkserver::MakeFrame(7, 1, "a"));
  service->linkSocket->OnReceive(0);
  EXPECT_EQ(callback.frames.size(), 1u);

  service->removeCallback();
  EXPECT_EQ(service->getCallback(), nullptr);
  fake->chunks.push_back(linkserver::MakeFrame(7, 2, "b"));
  service->linkSocket->OnReceive(0);
  service->linkSocket->OnClose(0);
  EXPECT_EQ(callback.frames.size(), 1u);
  EXPECT_TRUE(callback.statuses.empty());
}

TEST(LinkServiceWithoutClientSocketTest, FailsEveryOperationQuietly) {
  TraceCapture trace;
  LinkService_Impl* service = new LinkService_Impl(nullptr, nullptr);
  EXPECT_EQ(service->connect("127.0.0.1", 1), FALSE);
  EXPECT_EQ(service->close(), 0);
  EXPECT_EQ(service->createSocket(0), 0);
  service->write("abc", 3);
  service->release();
}

// ---------------------------------------------------------------- registry

// A packet service that writes what happens to it into a shared log.
class RecordingService : public IPacketService {
 public:
  RecordingService(short id, std::vector<std::string>* log) : IPacketService(nullptr), log_(log) {
    serviceID = id;
  }
  int onRegister() override { return note("register"); }
  int onUnregister() override { return note("unregister"); }
  void release() override { note("release"); }
  void onPacket(IAsynSocketTask* task, LFrame& frame, const Unpack& body) override {
    note("packet");
    lastTask = task;
    lastFrame = frame;
    lastBody.assign(body.data(), body.size());
  }

  IAsynSocketTask* lastTask = nullptr;
  LFrame lastFrame;
  std::string lastBody;

 private:
  int note(const char* what) {
    log_->push_back(std::string(what) + " " + std::to_string(getServiceID()));
    return 0;
  }
  std::vector<std::string>* log_;
};

std::string TempDocumentPath() {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + "link_service_test_" + std::to_string(GetCurrentProcessId()) + ".doc";
}

// A facade that is built but never started, as the registry's home.
class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest() : path(TempDocumentPath()), logic(new Logic_Impl(path)) {}
  ~RegistryTest() override {
    logic->release();
    std::remove(path.c_str());
  }

  std::string path;
  Logic_Impl* logic;
  std::vector<std::string> log;
};

TEST_F(RegistryTest, RegisterAndUnregisterReportTheirCodes) {
  RecordingService seven(7, &log), otherSeven(7, &log), zero(0, &log), nine(9, &log);
  EXPECT_EQ(logic->registerService(nullptr), 3);
  EXPECT_EQ(logic->registerService(&zero), 3);
  EXPECT_EQ(logic->registerService(&seven), 0);
  EXPECT_EQ(logic->registerService(&otherSeven), 0x10002);
  EXPECT_EQ(logic->getService(7), &seven);
  EXPECT_EQ(logic->unregisterService(nullptr), 3);
  EXPECT_EQ(logic->unregisterService(&zero), 3);
  EXPECT_EQ(logic->unregisterService(&nine), 0x10003);
  // The entry with the same id goes; the object passed in is told.
  EXPECT_EQ(logic->unregisterService(&otherSeven), 0);
  EXPECT_EQ(logic->getService(7), nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"register 7", "unregister 7"}));
  EXPECT_NE(logic->getService(kLinkServiceID), nullptr);
}

TEST_F(RegistryTest, IdsCompareAsSixteenBitPatterns) {
  RecordingService high(static_cast<short>(0x8001), &log);
  EXPECT_EQ(logic->registerService(&high), 0);
  EXPECT_EQ(logic->getService(0x8001), &high);
  EXPECT_EQ(logic->unregisterService(&high), 0);
}

TEST_F(RegistryTest, StopUnregistersAndReleasesEveryServiceInRegistrationOrder) {
  RecordingService three(3, &log), seven(7, &log);
  logic->registerService(&three);
  logic->registerService(&seven);
  log.clear();
  logic->stop();
  EXPECT_EQ(log, (std::vector<std::string>{"unregister 3", "release 3", "unregister 7", "release 7"}));
  EXPECT_EQ(logic->getService(3), nullptr);
  EXPECT_EQ(logic->getService(kLinkServiceID), nullptr);
}

// ---------------------------------------------------------------- dispatch

class DispatchTest : public RegistryTest {
 protected:
  // A task for `bytes`, a whole frame, built as the facade builds it.
  DispatchPacketTask* TaskFor(const std::string& bytes) {
    Unpack frameBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    LFrame header;
    header.unmarshal(frameBytes);
    return new DispatchPacketTask(logic, header, frameBytes);
  }
};

TEST_F(DispatchTest, TheFrameReachesItsServiceWithHeaderAndOwnCopyOfTheBody) {
  RecordingService seven(7, &log), eight(8, &log);
  logic->registerService(&seven);
  logic->registerService(&eight);
  std::string body = "twelve bytes";
  std::string bytes = linkserver::MakeFrame(7, 5, body, 9, 0xFC);
  DispatchPacketTask* task = TaskFor(bytes);
  bytes.assign(bytes.size(), '\0');  // the receive buffer is free again
  task->run();
  EXPECT_EQ(seven.lastTask, task);
  EXPECT_EQ(seven.lastFrame.length, 23u);
  EXPECT_EQ(seven.lastFrame.serviceID, 7);
  EXPECT_EQ(seven.lastFrame.commandID, 5);
  EXPECT_EQ(seven.lastFrame.extra, 9);
  EXPECT_EQ(seven.lastFrame.flags, 0xFC);
  EXPECT_EQ(seven.lastBody, body);
  EXPECT_EQ(eight.lastTask, nullptr);
  task->release();
}

TEST_F(DispatchTest, FramesForUnknownIdsAndForTheLinkServiceAreDropped) {
  RecordingService seven(7, &log);
  logic->registerService(&seven);
  // Stand a recorder in for the link service: it must not be called either.
  logic->unregisterService(logic->getService(kLinkServiceID));
  RecordingService one(1, &log);
  logic->registerService(&one);
  log.clear();
  for (unsigned short id : {9, 1, 0}) {
    DispatchPacketTask* task = TaskFor(linkserver::MakeFrame(id, 1, "x"));
    task->run();
    task->release();
  }
  EXPECT_TRUE(log.empty());
  logic->unregisterService(&one);
}

// ---------------------------------------------------------------- async task

class SendingTask : public IAsynSocketTask {
 public:
  using IAsynSocketTask::IAsynSocketTask;
  void run() override {}
  void release() override {}
  void placeholderSend(LFrame& frame, Marshallable& body) { sendPacket(frame, body); }
  void placeholderSendAndWait(LFrame& frame, Marshallable& body) { sendPacketAndWaitResponse(frame, body); }
  ILogic* facade() const { return logic; }
};

// The placeholders reach neither the body nor the link's socket.
TEST_F(RegistryTest, AsyncTaskPlaceholderSendsSendNothing) {
  logic->unregisterService(logic->getService(kLinkServiceID));
  ScriptedSocket* fake = new ScriptedSocket();
  LinkService_Impl* link = new LinkService_Impl(logic, fake);
  logic->registerService(link);

  struct CountingBody : Marshallable {
    mutable int marshalled = 0;
    void marshal(Pack&) const override { ++marshalled; }
    void unmarshal(const Unpack&) override {}
  } body;
  LFrame frame(7, 1);
  SendingTask task(logic);
  task.placeholderSendAndWait(frame, body);
  task.placeholderSend(frame, body);
  EXPECT_EQ(body.marshalled, 0);
  EXPECT_TRUE(fake->offered.empty());

  SendingTask copy(task);
  EXPECT_EQ(copy.facade(), logic);

  logic->unregisterService(link);
  link->release();
}

}  // namespace
}  // namespace logic
