// LinkSocket with a scripted client socket: writing frames, partial sends,
// would-block and hard failures, status reports, cutting received bytes into
// frames, and failures that must never leave a notification.
#include <gtest/gtest.h>

#include <stdexcept>

#include "errors.h"
#include "frame_cutter.h"
#include "lframe.h"
#include "link_server_protocol.h"
#include "link_socket.h"
#include "link_test_support.h"

namespace logic {
namespace {

using linktest::BytesBody;
using linktest::RecordingLinkCallback;
using linktest::ScriptedSocket;
using linktest::TraceCapture;

class LinkSocketTest : public ::testing::Test {
 protected:
  LinkSocketTest() : fake(new ScriptedSocket()), link(fake) {
    fake->released = &released;
    link.callback = &callback;
  }

  // Delivers `chunk` as the next receive notification.
  void Receive(const std::string& chunk) {
    fake->chunks.push_back(chunk);
    link.OnReceive(0);
  }

  TraceCapture trace;
  bool released = false;
  ScriptedSocket* fake;  // owned by link
  LinkSocket link;
  RecordingLinkCallback callback;
};

TEST_F(LinkSocketTest, RegistersItselfWithItsSocketAndReleasesIt) {
  EXPECT_EQ(fake->callback, &link);
  {
    bool gone = false;
    ScriptedSocket* other = new ScriptedSocket();
    other->released = &gone;
    { LinkSocket owner(other); }
    EXPECT_TRUE(gone);
  }
}

TEST_F(LinkSocketTest, SendPacketWritesOneFrameAndTracesOnlyCommandOneOfTheLinkService) {
  struct Case {
    unsigned short service, command;
    bool traced;
  } cases[] = {{1, 1, true}, {1, 2, false}, {7, 1, false}, {2, 3, false}};
  const std::wstring line = L"LinkSocket::SendPacket: serviceid:1  commandid:1";
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.service << "/" << c.command);
    fake->taken.clear();
    int before = trace.count(line);
    LFrame frame(c.service, c.command);
    frame.length = 999;  // the real length is written whatever this holds
    frame.extra = 0x0102;
    BytesBody body("body");
    link.SendPacket(frame, body);
    EXPECT_EQ(fake->taken, linkserver::MakeFrame(c.service, c.command, "body", 0x0102));
    EXPECT_EQ(trace.count(line) - before, c.traced ? 1 : 0);
  }
  for (const linktest::TraceLine& traced : trace.lines()) {
    EXPECT_EQ(traced.level, 2);
    EXPECT_EQ(traced.flag, 1);
  }
}

TEST_F(LinkSocketTest, AFrameThatCannotBeBuiltWritesNothing) {
  struct FailingBody : Marshallable {
    void marshal(Pack&) const override { throw new PackError(L"append buffer overflow"); }
    void unmarshal(const Unpack&) override {}
  } body;
  LFrame frame(7, 1);
  try {
    link.SendPacket(frame, body);
    ADD_FAILURE() << "no PackError";
  } catch (PackError* failure) {
    failure->Delete();
  }
  EXPECT_TRUE(fake->offered.empty());
  EXPECT_TRUE(link.sendBuffer.empty());
}

TEST_F(LinkSocketTest, PartialSendKeepsExactlyTheRestAndSendsItFirst) {
  fake->sendSteps = {ScriptedSocket::Takes(5)};
  link.Write("ABCDEFGH", 8);
  EXPECT_EQ(link.sendBuffer, "FGH");
  link.Write("ij", 2);
  EXPECT_EQ(fake->offered.back(), "FGHij");
  EXPECT_EQ(fake->taken, "ABCDEFGHij");
  EXPECT_TRUE(link.sendBuffer.empty());
  EXPECT_TRUE(callback.statuses.empty());
}

TEST_F(LinkSocketTest, WouldBlockKeepsTheBytesUntilOnSend) {
  for (int error : {WSAEWOULDBLOCK, WSAEINPROGRESS}) {
    SCOPED_TRACE(error);
    fake->taken.clear();
    int errorLines = trace.count(L"Write packet error in LinkSocket::Write:8");
    int blockLines = trace.count(L"Would Block in LinkSocket::Write");
    fake->sendSteps = {ScriptedSocket::Fails(error)};
    link.Write("ABCDEFGH", 8);
    EXPECT_EQ(link.sendBuffer, "ABCDEFGH");
    EXPECT_EQ(trace.count(L"Write packet error in LinkSocket::Write:8"), errorLines + 1);
    EXPECT_EQ(trace.count(L"Would Block in LinkSocket::Write"), blockLines + 1);

    // Still blocked: the next write's line counts every pending byte.
    fake->sendSteps = {ScriptedSocket::Fails(error)};
    link.Write("ij", 2);
    EXPECT_EQ(trace.count(L"Write packet error in LinkSocket::Write:10"), 1 + (error == WSAEINPROGRESS ? 1 : 0));

    fake->sendSteps = {ScriptedSocket::Takes(4)};
    link.OnSend(0);
    EXPECT_EQ(link.sendBuffer, "EFGHij");
    link.OnSend(0);
    EXPECT_EQ(fake->taken, "ABCDEFGHij");
    EXPECT_TRUE(link.sendBuffer.empty());
    EXPECT_TRUE(callback.statuses.empty());
    EXPECT_EQ(fake->closeCalls, 0);
  }
  for (const linktest::TraceLine& traced : trace.lines()) {
    EXPECT_EQ(traced.level, 4);
    EXPECT_EQ(traced.flag, 0);
  }
}

TEST_F(LinkSocketTest, HardSendFailureDropsPendingBytesClosesAndReportsTheLinkDown) {
  struct Case {
    const char* name;
    ScriptedSocket::SendStep failure;
    bool inOnSend;
  } cases[] = {{"reset in Write", ScriptedSocket::Fails(WSAECONNRESET), false},
               {"throw in Write", ScriptedSocket::Throws(), false},
               {"reset in OnSend", ScriptedSocket::Fails(WSAECONNRESET), true},
               {"throw in OnSend", ScriptedSocket::Throws(), true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake->closeCalls = 0;
    callback.statuses.clear();
    if (c.inOnSend) {
      fake->sendSteps = {ScriptedSocket::Fails(WSAEWOULDBLOCK), c.failure};
      link.Write("ABCDEFGH", 8);
      link.OnSend(0);
    } else {
      fake->sendSteps = {c.failure};
      link.Write("ABCDEFGH", 8);
    }
    EXPECT_TRUE(link.sendBuffer.empty());
    EXPECT_EQ(fake->closeCalls, 1);
    EXPECT_EQ(callback.statuses, std::vector<int>{0});
  }
}

TEST_F(LinkSocketTest, NotificationsTraceAndReportStatus) {
  struct Case {
    const char* name;
    void (LinkSocket::*notify)(int);
    int code;
    const wchar_t* line;  // null: no line
    int level;
    std::vector<int> statuses;
  } cases[] = {
      {"connected", &LinkSocket::OnConnect, 0, L"LinkSocket connected, 0", 3, {}},
      {"connect failed", &LinkSocket::OnConnect, 26, L"LinkSocket connected, 1A", 3, {1}},
      {"closed", &LinkSocket::OnClose, 0, L"----------------------------- LinkSocket Onclose,errorcode: 0", 3, {0}},
      {"reset", &LinkSocket::OnClose, 10054, L"----------------------------- LinkSocket Onclose,errorcode: 10054", 3,
       {0}},
      {"receive error", &LinkSocket::OnReceive, 10053, nullptr, 0, {1}},
      {"send error", &LinkSocket::OnSend, 10053, nullptr, 0, {1}},
      {"reserved", &LinkSocket::OnReserved, 5, nullptr, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    callback.statuses.clear();
    size_t linesBefore = trace.lines().size();
    (link.*c.notify)(c.code);
    EXPECT_EQ(callback.statuses, c.statuses);
    std::vector<linktest::TraceLine> lines = trace.lines();
    ASSERT_EQ(lines.size() - linesBefore, c.line ? 1u : 0u);
    if (c.line) {
      EXPECT_EQ(lines.back().text, c.line);
      EXPECT_EQ(lines.back().level, c.level);
      EXPECT_EQ(lines.back().flag, 1);
    }
  }

  // Without a callback the lines are still written and nothing is called.
  link.callback = nullptr;
  link.OnConnect(26);
  link.OnClose(0);
  Receive(linkserver::MakeFrame(7, 1, "x"));
  EXPECT_EQ(trace.count(L"LinkSocket connected, 1A"), 2);
  EXPECT_TRUE(link.recvBuffer.empty());  // the frame was consumed and dropped
  EXPECT_EQ(callback.statuses, std::vector<int>{});
}

// A server that sends two frames and then waits for an answer to the second
// must get both at once.
TEST_F(LinkSocketTest, EveryCompleteFrameOfAReceiveIsDispatched) {
  std::string first = linkserver::MakeFrame(7, 1, "one");
  std::string second = linkserver::MakeFrame(8, 2, "");
  std::string third = linkserver::MakeFrame(7, 3, std::string(12, 'z'));
  Receive(first + second + third.substr(0, 3));
  EXPECT_EQ(callback.frames, (std::vector<std::string>{first, second}));
  EXPECT_EQ(link.recvBuffer, third.substr(0, 3));
  Receive(third.substr(3, 5));
  EXPECT_EQ(callback.frames.size(), 2u);
  Receive(third.substr(8));
  EXPECT_EQ(callback.frames, (std::vector<std::string>{first, second, third}));
  EXPECT_TRUE(link.recvBuffer.empty());
}

// A callback that pumps messages may bring the next receive notification
// while frames are still being delivered: it is served after them, in order.
TEST_F(LinkSocketTest, AReceiveNotificationDuringADeliveryIsServedAfterIt) {
  std::string first = linkserver::MakeFrame(7, 1, "1"), second = linkserver::MakeFrame(7, 2, "2"),
              third = linkserver::MakeFrame(7, 3, "3");
  bool reentered = false;
  callback.onFrame = [&](const std::string&) {
    if (reentered) return;
    reentered = true;
    fake->chunks.push_back(third);
    link.OnReceive(0);
  };
  Receive(first + second);
  EXPECT_EQ(callback.frames, (std::vector<std::string>{first, second, third}));
  EXPECT_TRUE(link.recvBuffer.empty());
}

// A callback that reconnects while frames of the old connection are being
// delivered: the rest of the old stream is dropped, the new one starts clean.
TEST_F(LinkSocketTest, ANewStreamStartedDuringADeliveryDropsTheRestOfTheOldOne) {
  std::string first = linkserver::MakeFrame(7, 1, "old"), second = linkserver::MakeFrame(7, 2, "old");
  callback.onFrame = [&](const std::string& frame) {
    if (frame == first) link.StartNewStream();
  };
  link.sendBuffer = "unsent";
  Receive(first + second + second.substr(0, 6));
  EXPECT_EQ(callback.frames, std::vector<std::string>{first});
  EXPECT_TRUE(link.recvBuffer.empty());
  EXPECT_TRUE(link.sendBuffer.empty());
  std::string fresh = linkserver::MakeFrame(7, 3, "new");
  Receive(fresh);
  EXPECT_EQ(callback.frames, (std::vector<std::string>{first, fresh}));
}

TEST_F(LinkSocketTest, EmptyAndFailedReceivesChangeNothing) {
  link.recvBuffer = std::string("\x20\x00", 2);
  link.OnReceive(0);  // nothing scripted: -1
  Receive("");        // 0: end of stream
  EXPECT_EQ(link.recvBuffer, std::string("\x20\x00", 2));
  EXPECT_TRUE(callback.statuses.empty());
  EXPECT_EQ(fake->closeCalls, 0);
}

TEST_F(LinkSocketTest, ABadLengthClosesTheLinkAndDropsTheReceivedBytes) {
  for (uint32_t length : {0u, 4u, 10u, kMaxFrameLength + 1, 0xFFFFFFFFu}) {
    SCOPED_TRACE(length);
    callback.frames.clear();
    callback.statuses.clear();
    fake->closeCalls = 0;
    link.sendBuffer = "unsent";
    std::string good = linkserver::MakeFrame(7, 1, "ok");
    std::string bad = linkserver::MakeFrame(7, 2, "later");
    bad[0] = static_cast<char>(length);
    bad[1] = static_cast<char>(length >> 8);
    bad[2] = static_cast<char>(length >> 16);
    bad[3] = static_cast<char>(length >> 24);
    Receive(good + bad + good);
    EXPECT_EQ(callback.frames, std::vector<std::string>{good});
    EXPECT_TRUE(link.recvBuffer.empty());
    EXPECT_TRUE(link.sendBuffer.empty());
    EXPECT_EQ(fake->closeCalls, 1);
    EXPECT_EQ(callback.statuses, std::vector<int>{0});
    EXPECT_EQ(trace.count(L"LinkSocket: bad frame length " + std::to_wstring(length) + L", link closed"), 1);
  }
}

TEST_F(LinkSocketTest, AFrameWhoseDeliveryFailsIsDroppedAndTheLinkStaysUp) {
  int frameCount = 0;
  callback.onFrame = [&](const std::string&) {
    switch (++frameCount) {
      case 1: throw std::runtime_error("standard failure");
      case 2: throw new UnpackError(L"pop_uint32: not enough data");
      case 3: throw 42;
      default: break;
    }
  };
  std::string frames;
  for (int i = 1; i <= 4; ++i) frames += linkserver::MakeFrame(7, static_cast<unsigned short>(i), "b");
  Receive(frames);
  EXPECT_EQ(callback.errors, 3);
  EXPECT_EQ(callback.frames, std::vector<std::string>{linkserver::MakeFrame(7, 4, "b")});
  EXPECT_TRUE(link.recvBuffer.empty());
  EXPECT_EQ(fake->closeCalls, 0);
  EXPECT_TRUE(callback.statuses.empty());
}

TEST_F(LinkSocketTest, NothingThrownByTheCallbackLeavesANotification) {
  struct ThrowingCallback : ILinkService_Callback {
    void onLinkStatus(int) override { throw std::runtime_error("status"); }
    int onLinkPacket(const Unpack&) override { throw new UnpackError(L"packet"); }
    void onLinkError() override { throw 1; }
  } throwing;
  link.callback = &throwing;
  EXPECT_NO_THROW(link.OnClose(0));
  EXPECT_NO_THROW(link.OnConnect(1));
  EXPECT_NO_THROW(link.OnSend(1));
  EXPECT_NO_THROW(link.OnReceive(1));
  fake->chunks.push_back(linkserver::MakeFrame(7, 1, "") + std::string("\x01\x00\x00\x00", 4));
  EXPECT_NO_THROW(link.OnReceive(0));
  EXPECT_TRUE(link.recvBuffer.empty());
}

TEST(LinkSocketWithoutClientSocketTest, ReportsTheLinkDownInsteadOfFailing) {
  TraceCapture trace;
  LinkSocket link(nullptr);
  RecordingLinkCallback callback;
  link.callback = &callback;
  link.Write("abc", 3);
  EXPECT_TRUE(link.sendBuffer.empty());
  EXPECT_EQ(callback.statuses, std::vector<int>{0});
  link.OnReceive(0);
  link.OnSend(0);
  EXPECT_EQ(callback.statuses, std::vector<int>{0});
}

}  // namespace
}  // namespace logic
