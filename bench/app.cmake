# The autosave ring's cost per save (joins bench_controller later).
velmorak_add_bench(autosave controller/AutosaveFigures.cpp controller/AutosaveBenchMain.cpp)
