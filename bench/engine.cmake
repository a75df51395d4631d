# Engine plug-in report latency against Stockfish directly, and opening-book lookups.
velmorak_add_bench(engine engine/EngineBench.cpp)
add_dependencies(bench_engine VelmoEngine)
if(TARGET velmorak_default_book)
    add_dependencies(bench_engine velmorak_default_book)
endif()
