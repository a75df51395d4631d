velmorak_add_fuzzer(wav_file wav_file.cpp)
