// The desktop program run in the benchmark's own process on the flood instance, so that its print
// monitor can be shown, closed and paused between floods: the time a print adds to an input in
// each state.
#pragma once

#include "BenchSimulators.h"
#include "GuiEnv.h"

namespace orva::bench {

// Prints the times and their figures; false when the program did not start or a flood was lost.
// The flood instance (PrintFlood.h) with offsets from base must be written already.
bool MeasureMonitorStates(int argc, char** argv, const Env& display, Simulators& sims, int base);

}  // namespace orva::bench
