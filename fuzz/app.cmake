velmorak_add_fuzzer(level_spec app/LevelSpecFuzz.cpp)
