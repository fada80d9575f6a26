// ILinkService_Callback: where the link reports its status and hands over
// each complete received frame.  The engine facade implements it.  Called on
// the client socket's notification thread.
#ifndef CALVEX_LINK_LINK_SERVICE_CALLBACK_H_
#define CALVEX_LINK_LINK_SERVICE_CALLBACK_H_

namespace logic {

class Unpack;

struct ILinkService_Callback {
  // 0: 1 when a connect attempt or a socket operation reported an error code,
  // 0 when the connection ended or broke.
  virtual void onLinkStatus(int status) = 0;
  // 1: one whole frame, header included; the bytes are valid for the call
  // only.  Returns the result of queueing it.
  virtual int onLinkPacket(const Unpack& frameBytes) = 0;
  // 2: delivering a frame failed; the frame was dropped, the link stays up.
  virtual void onLinkError() = 0;
};

}  // namespace logic

#endif  // CALVEX_LINK_LINK_SERVICE_CALLBACK_H_
