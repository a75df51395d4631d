velmorak_add_fuzzer(dgt_parser dgt/DgtParserFuzz.cpp)
