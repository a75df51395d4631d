#pragma once

namespace velmorak {

// Measures one autosave of a 200-ply game with comments and variations, into a full ring
// (the replace path) and into a fresh one (the append path), on a warm file system, and
// prints the median and the maximum against the goal of 5 ms per save.
void printAutosaveFigures();

} // namespace velmorak
