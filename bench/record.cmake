# PGN reading, indexing, filtering and sorting against pgn-extract's move check.
velmorak_add_bench(pgn record/PgnBench.cpp)
