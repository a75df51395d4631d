# The game controller: a user move to the engine's first report, and the autosave's cost.
velmorak_add_bench(controller controller/ControllerBench.cpp controller/AutosaveFigures.cpp)
add_dependencies(bench_controller VelmoEngine)
