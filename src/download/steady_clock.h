#pragma once

namespace pg {

// Seconds on a steady clock since the first call; only differences of two
// readings mean anything.
double SteadySeconds();

}  // namespace pg
