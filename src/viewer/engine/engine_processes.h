// The web engine's helper processes at the viewer's exit. Once the engine is
// let go, its network process may still be starting up and would then write
// its data files into a private folder already removed, making it again. So
// the viewer ends them before its last clean-up. Only the engine's own
// programs are ended: a program the desktop started for the reader (a
// browser, a document reader) is the reader's and stays.
#pragma once

namespace pagora::viewer {

// Ends this process's children that are the engine's programs, and waits a
// short while for them. True when none is left running.
bool endEngineProcesses();

}  // namespace pagora::viewer
