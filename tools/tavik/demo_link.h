// The link part of the demo: starts the frame test server, connects the
// engine to it, sends frames and prints the frames that come back to a
// registered service on the worker thread.
#ifndef TOOLS_TAVIK_DEMO_LINK_H_
#define TOOLS_TAVIK_DEMO_LINK_H_

#include "logic.h"

// Runs on the user-interface thread of a started engine; true when frames
// went both ways.
bool RunLinkDemo(logic::ILogic* engine);

#endif  // TOOLS_TAVIK_DEMO_LINK_H_
