// IAsynSocketTask: the base of tasks that belong to the link.  They run on
// the engine's worker thread like any task and keep the engine facade for
// their subclasses.
//
// The two sending operations are placeholders that send nothing: a task that
// must send a frame takes the link service from the facade (getService(1))
// and hands it the frame on the thread the link service requires.
//
// Exported; the order of the virtual operations is ITask's (run,
// onException, release) followed by the destructor.
//
// Threads: used by whichever thread runs the task; no state besides `logic`.
#ifndef CALVEX_LINK_ASYNC_SOCKET_TASK_H_
#define CALVEX_LINK_ASYNC_SOCKET_TASK_H_

#include "calvex_api.h"
#include "task.h"

namespace logic {

struct ILogic;
class LFrame;
struct Marshallable;

class CALVEX_API IAsynSocketTask : public ITask {
 public:
  explicit IAsynSocketTask(ILogic* logic);
  IAsynSocketTask(const IAsynSocketTask& other);
  IAsynSocketTask& operator=(const IAsynSocketTask& other);
  virtual ~IAsynSocketTask();  // 3

 protected:
  // Holds the calling thread for 3000 ms and sends nothing.
  void sendPacket(LFrame& frame, Marshallable& body);
  // Returns at once; sends nothing and waits for nothing.
  void sendPacketAndWaitResponse(LFrame& frame, Marshallable& body);

  ILogic* logic;  // the facade; not owned
};

}  // namespace logic

#endif  // CALVEX_LINK_ASYNC_SOCKET_TASK_H_
