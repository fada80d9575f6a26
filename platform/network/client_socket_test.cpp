// The client socket against a listening socket of the test on 127.0.0.1.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "client_socket.h"
#include "message_pump.h"

using testsupport::PumpMessagesUntil;

namespace {

struct WinsockSession {
  WinsockSession() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockSession() { WSACleanup(); }
};

// A blocking listening socket on 127.0.0.1 with a port of the system's choice.
class Listener {
 public:
  Listener() {
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(socket_, 4);
    int size = sizeof(address);
    getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
  }
  ~Listener() { closesocket(socket_); }
  unsigned short port() const { return port_; }
  // The connection the client made; it completed before OnConnect.
  SOCKET Accept() { return accept(socket_, nullptr, nullptr); }

 private:
  SOCKET socket_;
  unsigned short port_;
};

// Records notifications; reads everything readable into `received`.
struct RecordingCallback : logic::IClientSocket_Callback {
  IClientSocket* socket = nullptr;
  std::vector<int> connects, closes, sendErrors;
  int sends = 0;
  std::string received;

  void OnClose(int errorCode) override { closes.push_back(errorCode); }
  void OnConnect(int errorCode) override { connects.push_back(errorCode); }
  void OnReceive(int errorCode) override {
    char buffer[4096];
    int n = socket->Receive(buffer, sizeof(buffer), 0);
    if (n > 0) received.append(buffer, n);
  }
  void OnSend(int errorCode) override {
    ++sends;
    if (errorCode != 0) sendErrors.push_back(errorCode);
  }
  void OnReserved(int) override {}
};

class ClientSocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    socket_ = IClientSocket_Creater();
    ASSERT_NE(socket_, nullptr);
    callback_.socket = socket_;
    socket_->SetCallback(&callback_);
  }
  void TearDown() override {
    if (socket_ != nullptr) socket_->Release();
  }

  // Connects to the listener and returns the server's end.
  SOCKET ConnectToListener(const char* host = "127.0.0.1") {
    int result = socket_->Connect(host, listener_.port());
    EXPECT_TRUE(result != 0 || WSAGetLastError() == WSAEWOULDBLOCK) << WSAGetLastError();
    EXPECT_TRUE(PumpMessagesUntil([&] { return socket_->IsConnected() != 0; }));
    return listener_.Accept();
  }

  WinsockSession winsock_;
  Listener listener_;
  IClientSocket* socket_ = nullptr;
  RecordingCallback callback_;
};

TEST_F(ClientSocketTest, ConnectsAndCarriesBytesBothWays) {
  SOCKET peer = ConnectToListener();
  ASSERT_NE(peer, INVALID_SOCKET);
  EXPECT_EQ(callback_.connects, std::vector<int>{0});

  EXPECT_EQ(socket_->Send("hello", 5), 5);
  char buffer[16] = {};
  int got = 0;
  while (got < 5) {
    int n = recv(peer, buffer + got, 5 - got, 0);
    ASSERT_GT(n, 0);
    got += n;
  }
  EXPECT_EQ(std::string(buffer, 5), "hello");

  send(peer, "world!", 6, 0);
  EXPECT_TRUE(PumpMessagesUntil([&] { return callback_.received.size() == 6; }));
  EXPECT_EQ(callback_.received, "world!");
  closesocket(peer);
}

TEST_F(ClientSocketTest, ResolvesHostNames) {
  SOCKET peer = ConnectToListener("localhost");
  EXPECT_NE(peer, INVALID_SOCKET);
  closesocket(peer);
}

TEST_F(ClientSocketTest, DataSentBeforeThePeerClosesArrivesBeforeOnClose) {
  SOCKET peer = ConnectToListener();
  std::string sent(100000, 'x');
  for (size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 7);
  send(peer, sent.data(), static_cast<int>(sent.size()), 0);
  shutdown(peer, SD_SEND);
  closesocket(peer);

  ASSERT_TRUE(PumpMessagesUntil([&] { return !callback_.closes.empty(); }));
  EXPECT_EQ(callback_.received, sent);
  EXPECT_EQ(callback_.closes.size(), 1u);
  EXPECT_EQ(socket_->IsConnected(), 0);
}

TEST_F(ClientSocketTest, ResetByThePeerReportsOnClose) {
  SOCKET peer = ConnectToListener();
  linger hard = {1, 0};
  setsockopt(peer, SOL_SOCKET, SO_LINGER, reinterpret_cast<char*>(&hard), sizeof(hard));
  closesocket(peer);
  ASSERT_TRUE(PumpMessagesUntil([&] { return !callback_.closes.empty(); }));
  EXPECT_EQ(socket_->IsConnected(), 0);
}

// A peer that reads slowly makes the socket full: Send then takes part or
// nothing, OnSend says when to go on, and every byte arrives once, in order.
TEST_F(ClientSocketTest, FullSocketTakesPartAndAsksForMoreWithOnSend) {
  SOCKET peer = ConnectToListener();
  std::string sent(32 * 1024 * 1024, '\0');
  for (size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 131 + i / 251);

  size_t offset = 0;
  bool sawShortSendOrWouldBlock = false;
  int sendsSeen = 0;
  auto offerRest = [&] {
    while (offset < sent.size()) {
      int n = socket_->Send(sent.data() + offset, static_cast<int>(sent.size() - offset));
      if (n == -1) {
        ASSERT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
        sawShortSendOrWouldBlock = true;
        return;
      }
      offset += n;
      if (offset < sent.size()) {
        sawShortSendOrWouldBlock = true;
        return;
      }
    }
  };
  offerRest();
  ASSERT_TRUE(sawShortSendOrWouldBlock) << "32 MiB went out at once; the socket never filled";

  std::string arrived;
  std::thread reader([&] {
    char buffer[65536];
    for (;;) {
      int n = recv(peer, buffer, sizeof(buffer), 0);
      if (n <= 0) break;
      arrived.append(buffer, n);
      if (arrived.size() == sent.size()) break;
    }
  });
  bool allOffered = PumpMessagesUntil(
      [&] {
        if (callback_.sends != sendsSeen) {
          sendsSeen = callback_.sends;
          offerRest();
        }
        return offset == sent.size();
      },
      60000);
  reader.join();
  EXPECT_TRUE(allOffered);
  EXPECT_TRUE(callback_.sendErrors.empty());
  EXPECT_TRUE(arrived == sent) << "arrived " << arrived.size() << " of " << sent.size() << " bytes";
  closesocket(peer);
}

// Bytes offered while the connection is under way are refused with 10035 and
// an OnSend follows the connection.
TEST_F(ClientSocketTest, SendWhileConnectingIsRefusedUntilOnSend) {
  int result = socket_->Connect("127.0.0.1", listener_.port());
  if (result != 0) GTEST_SKIP() << "connected at once";
  ASSERT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
  EXPECT_EQ(socket_->Send("ab", 2), -1);
  EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
  ASSERT_TRUE(PumpMessagesUntil([&] { return callback_.sends > 0; }));
  EXPECT_EQ(callback_.connects, std::vector<int>{0});
  EXPECT_EQ(socket_->Send("ab", 2), 2);
  SOCKET peer = listener_.Accept();
  char buffer[2];
  EXPECT_EQ(recv(peer, buffer, 2, MSG_WAITALL), 2);
  closesocket(peer);
}

TEST_F(ClientSocketTest, ConnectingToAClosedPortFails) {
  unsigned short closedPort;
  {
    Listener gone;
    closedPort = gone.port();
  }
  int result = socket_->Connect("127.0.0.1", closedPort);
  if (result == 0 && WSAGetLastError() == WSAEWOULDBLOCK) {
    ASSERT_TRUE(PumpMessagesUntil([&] { return !callback_.connects.empty(); }));
    EXPECT_NE(callback_.connects[0], 0);
  } else {
    EXPECT_EQ(result, 0);
  }
  EXPECT_EQ(socket_->IsConnected(), 0);
  // The socket can be used again afterwards.
  SOCKET peer = ConnectToListener();
  EXPECT_NE(peer, INVALID_SOCKET);
  closesocket(peer);
}

TEST_F(ClientSocketTest, OperationsWithoutAConnectionFail) {
  char buffer[4];
  EXPECT_EQ(socket_->Send("ab", 2), -1);
  EXPECT_EQ(socket_->Receive(buffer, 4, 0), -1);
  EXPECT_EQ(socket_->Close(), 0);
  EXPECT_EQ(socket_->Connect(nullptr, 1), 0);
  EXPECT_EQ(socket_->IsConnected(), 0);
}

TEST_F(ClientSocketTest, CloseEndsTheConnectionWithoutOnClose) {
  SOCKET peer = ConnectToListener();
  EXPECT_EQ(socket_->Close(), 1);
  EXPECT_EQ(socket_->IsConnected(), 0);
  char byte;
  EXPECT_EQ(recv(peer, &byte, 1, 0), 0);  // the peer sees the end
  closesocket(peer);
  // Whatever was already queued for the closed socket is ignored.
  PumpMessagesUntil([] { return true; });
  EXPECT_TRUE(callback_.closes.empty());
}

}  // namespace
