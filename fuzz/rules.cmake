velmorak_add_fuzzer(fen rules/FenFuzz.cpp)
velmorak_add_fuzzer(san rules/SanFuzz.cpp)
velmorak_add_fuzzer(coordinates rules/CoordinateFuzz.cpp)
