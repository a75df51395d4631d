velmorak_add_fuzzer(kbk_book engine/KbkBookFuzz.cpp)
velmorak_add_fuzzer(engine_reports engine/EngineReportsFuzz.cpp)
