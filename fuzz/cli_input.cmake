velmorak_add_fuzzer(typed_input app/TypedInputFuzz.cpp)
