#include "link_socket.h"

#include <winsock2.h>

#include "block_buffer.h"
#include "exception.h"
#include "frame_cutter.h"
#include "lframe.h"
#include "link_packer.h"
#include "marshallable.h"
#include "pack.h"
#include "trace.h"
#include "unpack.h"

namespace logic {
namespace {

const int kLevelFrame = 2;
const int kLevelConnection = 3;
const int kLevelFailure = 4;
const int kFlagWriteFailure = 0;
const int kFlag = 1;

// The frame whose sending is traced: the link service's own command 1.
const unsigned short kTracedService = 1;
const unsigned short kTracedCommand = 1;

bool IsWouldBlock(int error) { return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS; }

// Runs `body`, and traces and swallows whatever it throws: nothing may leave
// a notification into the client socket library.
template <typename Body>
void Guarded(const wchar_t* where, Body body) {
  try {
    body();
  } catch (Exception* failure) {
    if (g_IAppTrace) {
      g_IAppTrace->Trace(kLevelFailure, kFlag, L"LinkSocket: %s failed: %s", where, failure->message.GetString());
    }
    failure->Delete();
  } catch (...) {
    if (g_IAppTrace) g_IAppTrace->Trace(kLevelFailure, kFlag, L"LinkSocket: %s failed", where);
  }
}

}  // namespace

LinkSocket::LinkSocket() : LinkSocket(IClientSocket_Creater()) {}

LinkSocket::LinkSocket(IClientSocket* clientSocket)
    : socket(clientSocket), callback(nullptr), receiving_(false), receiveAgain_(false), stream_(0) {
  if (socket != nullptr) socket->SetCallback(this);
}

LinkSocket::~LinkSocket() {
  if (socket != nullptr) {
    socket->Release();
    socket = nullptr;
  }
}

void LinkSocket::SendPacket(LFrame& frame, Marshallable& body) {
  if (frame.serviceID == kTracedService && frame.commandID == kTracedCommand && g_IAppTrace) {
    g_IAppTrace->Trace(kLevelFrame, kFlag, L"LinkSocket::SendPacket: serviceid:%d  commandid:%d", kTracedService,
                       kTracedCommand);
  }
  Buffer buffer;
  Pack pack(buffer);
  frame.marshal(pack);
  body.marshal(pack);
  LinkPacker::pack(pack);
  Write(pack.data(), pack.size());
}

void LinkSocket::Write(const char* data, unsigned len) {
  sendBuffer.append(data, len);
  SendOutcome outcome = OfferPending();
  if (outcome == SendOutcome::kTaken) {
    return;
  }
  if (g_IAppTrace) {
    g_IAppTrace->Trace(kLevelFailure, kFlagWriteFailure, L"Write packet error in LinkSocket::Write:%d",
                       static_cast<int>(sendBuffer.size()));
  }
  if (outcome == SendOutcome::kWouldBlock) {
    if (g_IAppTrace) g_IAppTrace->Trace(kLevelFailure, kFlagWriteFailure, L"Would Block in LinkSocket::Write");
    return;  // the bytes wait for OnSend
  }
  DropLink();
}

LinkSocket::SendOutcome LinkSocket::OfferPending() {
  if (socket == nullptr) {
    return SendOutcome::kFailed;
  }
  int taken;
  try {
    taken = socket->Send(sendBuffer.data(), static_cast<int>(sendBuffer.size()));
  } catch (...) {
    return SendOutcome::kFailed;
  }
  if (taken < 0) {
    // Read at once: anything done before asking (a trace line) may change it.
    return IsWouldBlock(WSAGetLastError()) ? SendOutcome::kWouldBlock : SendOutcome::kFailed;
  }
  // Exactly the bytes taken go, so no byte is sent twice.
  sendBuffer.erase(0, static_cast<size_t>(taken));
  return SendOutcome::kTaken;
}

void LinkSocket::OnSend(int errorCode) {
  Guarded(L"OnSend", [&] {
    if (errorCode != 0) {
      ReportStatus(1);
      return;
    }
    if (sendBuffer.empty()) {
      return;
    }
    if (OfferPending() == SendOutcome::kFailed) {
      DropLink();
    }
  });
}

void LinkSocket::OnReceive(int errorCode) {
  Guarded(L"OnReceive", [&] {
    if (errorCode != 0) {
      ReportStatus(1);
      return;
    }
    if (receiving_) {
      // Called again from inside a delivery (a callback that pumps messages):
      // the outer call reads again when it is done.
      receiveAgain_ = true;
      return;
    }
    receiving_ = true;
    try {
      do {
        receiveAgain_ = false;
        ReceiveAndDispatch();
      } while (receiveAgain_);
    } catch (...) {
      receiving_ = false;
      // The received bytes could not be kept: the stream has a hole in it.
      recvBuffer.clear();
      DropLink();
      throw;
    }
    receiving_ = false;
  });
}

void LinkSocket::ReceiveAndDispatch() {
  if (socket == nullptr) {
    return;
  }
  char chunk[kReceiveChunk];
  int received = socket->Receive(chunk, kReceiveChunk, 0);
  if (received <= 0) {
    return;  // failures and empty reads: OnClose reports the end
  }
  if (received > kReceiveChunk) received = kReceiveChunk;
  recvBuffer.append(chunk, static_cast<size_t>(received));

  // Frames are cut from a buffer of our own, so that a delivery that starts
  // a new stream (a connect from the callback) cannot change the bytes being
  // cut; the rest of an old stream is then dropped, not delivered.
  std::string cutting;
  cutting.swap(recvBuffer);
  const unsigned stream = stream_;
  uint32_t badLength = 0;
  CutResult result = CutFrames(
      cutting,
      [&](const char* frame, uint32_t length) {
        if (stream == stream_) DeliverFrame(frame, length);
      },
      &badLength);
  if (stream != stream_) {
    return;
  }
  recvBuffer.swap(cutting);
  if (result == CutResult::kBadLength) {
    if (g_IAppTrace) {
      g_IAppTrace->Trace(kLevelFailure, kFlag, L"LinkSocket: bad frame length %u, link closed", badLength);
    }
    DropLink();
  }
}

void LinkSocket::StartNewStream() {
  sendBuffer.clear();
  recvBuffer.clear();
  ++stream_;
}

void LinkSocket::DeliverFrame(const char* frame, uint32_t length) {
  ILinkService_Callback* target = callback;
  if (target == nullptr) {
    return;  // nobody listens: the frame is dropped
  }
  try {
    Unpack frameBytes(frame, length);
    target->onLinkPacket(frameBytes);
  } catch (Exception* failure) {
    failure->Delete();
    ReportDeliveryFailure();
  } catch (...) {
    ReportDeliveryFailure();
  }
}

void LinkSocket::OnConnect(int errorCode) {
  Guarded(L"OnConnect", [&] {
    if (g_IAppTrace) g_IAppTrace->Trace(kLevelConnection, kFlag, L"LinkSocket connected, %X", errorCode);
    if (errorCode != 0) ReportStatus(1);
  });
}

void LinkSocket::OnClose(int errorCode) {
  Guarded(L"OnClose", [&] {
    if (g_IAppTrace) {
      g_IAppTrace->Trace(kLevelConnection, kFlag, L"----------------------------- LinkSocket Onclose,errorcode: %d",
                         errorCode);
    }
    ReportStatus(0);
  });
}

void LinkSocket::OnReserved(int) {}

void LinkSocket::DropLink() {
  sendBuffer.clear();
  if (socket != nullptr) socket->Close();
  ReportStatus(0);
}

void LinkSocket::ReportStatus(int status) {
  if (callback != nullptr) {
    Guarded(L"onLinkStatus", [&] { callback->onLinkStatus(status); });
  }
}

void LinkSocket::ReportDeliveryFailure() {
  if (callback != nullptr) {
    Guarded(L"onLinkError", [&] { callback->onLinkError(); });
  }
}

}  // namespace logic
