#include "link_service.h"

#include <winsock2.h>

#include "link_socket.h"

namespace logic {

LinkService_Impl::LinkService_Impl(ILogic* logic) : ILinkService(logic), linkSocket(new LinkSocket()) {
  serviceID = static_cast<short>(kLinkServiceID);
}

LinkService_Impl::LinkService_Impl(ILogic* logic, IClientSocket* clientSocket)
    : ILinkService(logic), linkSocket(new LinkSocket(clientSocket)) {
  serviceID = static_cast<short>(kLinkServiceID);
}

LinkService_Impl::~LinkService_Impl() { delete linkSocket; }

int LinkService_Impl::onRegister() { return 0; }

int LinkService_Impl::onUnregister() { return 0; }

void LinkService_Impl::release() { delete this; }

int LinkService_Impl::createSocket(int reserved) {
  return linkSocket->socket != nullptr ? linkSocket->socket->Create(reserved) : 0;
}

int LinkService_Impl::reserved5(int) { return 0; }

BOOL LinkService_Impl::connect(const char* const& address, unsigned short port) {
  if (linkSocket->socket == nullptr) {
    return FALSE;
  }
  BOOL started = linkSocket->socket->Connect(address, port) != 0;
  if (!started) {
    int error = WSAGetLastError();
    started = error == WSAEWOULDBLOCK || error == WSAEINPROGRESS;
  }
  // Bytes left from an earlier connection belong to its stream, not to the
  // new one: a partial frame kept here would garble every frame after it.
  // A refused attempt (say, already connected) leaves the stream alone.
  if (started) {
    linkSocket->StartNewStream();
  }
  return started;
}

void LinkService_Impl::reserved7() {}

int LinkService_Impl::close() {
  linkSocket->sendBuffer.clear();
  return linkSocket->socket != nullptr ? linkSocket->socket->Close() : 0;
}

void LinkService_Impl::sendPacket(LFrame& frame, Marshallable& body) { linkSocket->SendPacket(frame, body); }

void LinkService_Impl::write(const char* data, unsigned len) { linkSocket->Write(data, len); }

void LinkService_Impl::setCallback(ILinkService_Callback* callback) { linkSocket->callback = callback; }

void LinkService_Impl::removeCallback() { linkSocket->callback = nullptr; }

ILinkService_Callback* LinkService_Impl::getCallback() { return linkSocket->callback; }

void LinkService_Impl::reserved14() {}

void LinkService_Impl::reserved15() {}

}  // namespace logic
