#include "demo_link.h"

#include "demo_util.h"

bool RunLinkDemo(logic::ILogic*) {
  Say("link demo: not built yet");
  return true;
}
