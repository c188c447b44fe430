// The engine's two start-up routines. The loadable module runs them when
// SpringBoard loads it (EngineLoad.cpp), engineStart() first; tests call
// them by hand inside a ProcessScope of the SpringBoard process, after
// engineResetForTesting().
//
//   ProcessScope in(springboard);
//   engineResetForTesting(); engineStart(); installHooks();
//
// Both run once per library instance, on SpringBoard's main thread, and tear
// nothing down: observers, the refresh timer and the replacements live as long
// as SpringBoard.
#pragma once

#include "engine/EngineState.h"

namespace quorvel::engine {

// Registers every observer, loads the settings and the codes, and starts the
// repeating refresh timer (first firing 300 s from now, then every 300 s).
void engineStart();

// Replaces the SpringBoard methods the engine hooks and adds clickCancel. A class
// or selector the host does not have is logged and skipped; the rest still install.
void installHooks();

} // namespace quorvel::engine
