velmorak_add_fuzzer(kbk_book engine/KbkBookFuzz.cpp)
velmorak_add_fuzzer(engine_reports engine/EngineReportsFuzz.cpp)
velmorak_add_fuzzer(uci_lines engine/UciLinesFuzz.cpp)
