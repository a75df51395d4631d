# Lines per second through the server line dispatcher; board lines to positions.
velmorak_add_bench(server server/ServerBench.cpp)
