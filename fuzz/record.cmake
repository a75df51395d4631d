velmorak_add_fuzzer(pgn_read record/PgnReadFuzz.cpp)
velmorak_add_fuzzer(pgn_scan record/PgnScanFuzz.cpp)
velmorak_add_fuzzer(pgn_tags record/PgnTagsFuzz.cpp)
