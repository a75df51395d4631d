velmorak_add_bench(perft perft/PerftBench.cpp)
