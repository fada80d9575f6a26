#include "client_socket_impl.h"

#include <ws2tcpip.h>

#include <cstring>

namespace network {
namespace {

const wchar_t kWindowClass[] = L"NetworkClientSocketWindow";
// Each socket's events come under their own id in this range, so that events
// queued for a socket closed since are never taken for its successor's.
const UINT kFirstSocketMessage = WM_APP + 0x100;
const unsigned kSocketMessageCount = 0x100;

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

// Registers the window class once per process; a second registration fails
// harmlessly with ERROR_CLASS_ALREADY_EXISTS.
bool RegisterWindowClass(WNDPROC procedure) {
  WNDCLASSEXW windowClass;
  std::memset(&windowClass, 0, sizeof(windowClass));
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = ThisModule();
  windowClass.lpszClassName = kWindowClass;
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Fills `address` from dotted IPv4 text or a host name (IPv4 only).  Returns
// 0, or the Winsock error of the lookup.
int ResolveIPv4(const char* host, unsigned short port, sockaddr_in& address) {
  std::memset(&address, 0, sizeof(address));
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  unsigned long numeric = inet_addr(host);
  if (numeric != INADDR_NONE || std::strcmp(host, "255.255.255.255") == 0) {
    address.sin_addr.s_addr = numeric;
    return 0;
  }
  addrinfo hints;
  std::memset(&hints, 0, sizeof(hints));
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int error = getaddrinfo(host, nullptr, &hints, &found);
  if (error != 0 || found == nullptr) {
    return error != 0 ? error : WSAHOST_NOT_FOUND;
  }
  address.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
  freeaddrinfo(found);
  return 0;
}

}  // namespace

ClientSocket::ClientSocket()
    : window_(nullptr),
      winsockStarted_(false),
      socket_(INVALID_SOCKET),
      message_(0),
      generation_(0),
      connecting_(false),
      connected_(false),
      sendRefusedWhileConnecting_(false),
      callback_(nullptr) {
  WSADATA data;
  winsockStarted_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  if (RegisterWindowClass(&ClientSocket::WindowProc)) {
    window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ThisModule(), nullptr);
  }
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
}

ClientSocket::~ClientSocket() {
  CloseHandle();
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  if (winsockStarted_) {
    WSACleanup();
  }
}

void ClientSocket::Release() { delete this; }

int ClientSocket::Create(int /*reserved*/) {
  if (!usable()) {
    WSASetLastError(WSANOTINITIALISED);
    return 0;
  }
  if (socket_ != INVALID_SOCKET) {
    return 1;
  }
  SOCKET made = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (made == INVALID_SOCKET) {
    return 0;
  }
  ++generation_;
  UINT message = kFirstSocketMessage + generation_ % kSocketMessageCount;
  // WSAAsyncSelect also makes the socket non-blocking.
  if (WSAAsyncSelect(made, window_, message, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0) {
    int error = WSAGetLastError();
    closesocket(made);
    WSASetLastError(error);
    return 0;
  }
  socket_ = made;
  message_ = message;
  return 1;
}

int ClientSocket::Connect(const char* address, unsigned short port) {
  if (address == nullptr) {
    WSASetLastError(WSAEFAULT);
    return 0;
  }
  if (connecting_ || connected_) {
    WSASetLastError(connected_ ? WSAEISCONN : WSAEALREADY);
    return 0;
  }
  sockaddr_in target;
  int lookupError = ResolveIPv4(address, port, target);
  if (lookupError != 0) {
    WSASetLastError(lookupError);
    return 0;
  }
  if (!Create(0)) {
    return 0;
  }
  if (connect(socket_, reinterpret_cast<sockaddr*>(&target), sizeof(target)) == 0) {
    connected_ = true;
    return 1;
  }
  int error = WSAGetLastError();
  if (error == WSAEWOULDBLOCK) {
    connecting_ = true;
    sendRefusedWhileConnecting_ = false;
  } else {
    CloseHandle();
  }
  WSASetLastError(error);
  return 0;
}

int ClientSocket::Send(const char* data, int len) {
  if (connecting_) {
    sendRefusedWhileConnecting_ = true;
    WSASetLastError(WSAEWOULDBLOCK);
    return -1;
  }
  if (!connected_) {
    WSASetLastError(WSAENOTCONN);
    return -1;
  }
  if (len <= 0) {
    return 0;
  }
  // A would-block after some bytes were taken is reported as a short count:
  // Winsock then owes us an FD_WRITE, which becomes OnSend.
  int taken = 0;
  while (taken < len) {
    int sent = send(socket_, data + taken, len - taken, 0);
    if (sent == SOCKET_ERROR) {
      int error = WSAGetLastError();
      if (error == WSAEWOULDBLOCK && taken > 0) {
        return taken;
      }
      WSASetLastError(error);
      return -1;
    }
    taken += sent;
  }
  return taken;
}

int ClientSocket::Receive(char* buffer, int len, int flags) {
  if (socket_ == INVALID_SOCKET) {
    WSASetLastError(WSAENOTCONN);
    return -1;
  }
  int received = recv(socket_, buffer, len, flags);
  return received == SOCKET_ERROR ? -1 : received;
}

int ClientSocket::Close() {
  if (socket_ == INVALID_SOCKET) {
    return 0;
  }
  CloseHandle();
  return 1;
}

void ClientSocket::CloseHandle() {
  if (socket_ == INVALID_SOCKET) {
    return;
  }
  WSAAsyncSelect(socket_, window_, 0, 0);
  closesocket(socket_);
  socket_ = INVALID_SOCKET;
  message_ = 0;
  connecting_ = false;
  connected_ = false;
  sendRefusedWhileConnecting_ = false;
}

LRESULT CALLBACK ClientSocket::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= kFirstSocketMessage && message < kFirstSocketMessage + kSocketMessageCount) {
    ClientSocket* self = reinterpret_cast<ClientSocket*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message == self->message_) {
      self->OnSocketMessage(static_cast<SOCKET>(wParam), WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void ClientSocket::OnSocketMessage(SOCKET socket, int event, int error) {
  if (socket != socket_) {
    return;
  }
  switch (event) {
    case FD_CONNECT:
      OnConnectEvent(socket, error);
      break;
    case FD_READ:
      if (callback_ != nullptr) callback_->OnReceive(error);
      break;
    case FD_WRITE:
      if (connected_ && callback_ != nullptr) callback_->OnSend(error);
      break;
    case FD_CLOSE:
      OnCloseEvent(socket, error);
      break;
    default:
      break;
  }
}

void ClientSocket::OnConnectEvent(SOCKET socket, int error) {
  connecting_ = false;
  bool sendWaiting = sendRefusedWhileConnecting_;
  sendRefusedWhileConnecting_ = false;
  if (error != 0) {
    CloseHandle();
  } else {
    connected_ = true;
  }
  if (callback_ == nullptr) {
    return;
  }
  callback_->OnConnect(error);
  // Bytes refused while connecting are waiting for room; the callback may
  // have closed the socket in OnConnect.
  if (error == 0 && sendWaiting && socket == socket_ && callback_ != nullptr) {
    callback_->OnSend(0);
  }
}

void ClientSocket::OnCloseEvent(SOCKET socket, int error) {
  DrainReadable(socket);
  if (socket != socket_) {
    return;  // closed from inside OnReceive: no OnClose after Close
  }
  CloseHandle();
  if (callback_ != nullptr) {
    callback_->OnClose(error);
  }
}

void ClientSocket::DrainReadable(SOCKET socket) {
  u_long readable = 0;
  while (socket == socket_ && callback_ != nullptr && ioctlsocket(socket, FIONREAD, &readable) == 0 &&
         readable > 0) {
    u_long before = readable;
    callback_->OnReceive(0);
    if (socket != socket_ || ioctlsocket(socket, FIONREAD, &readable) != 0 || readable >= before) {
      return;  // closed, or the callback does not read: stop offering
    }
  }
}

}  // namespace network

IClientSocket* IClientSocket_Creater() {
  network::ClientSocket* made = new network::ClientSocket();
  if (!made->usable()) {
    made->Release();
    return nullptr;
  }
  return made;
}
