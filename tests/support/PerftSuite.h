#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Perft positions with their known node counts, read from the suites in shared/data/perft.
struct PerftCase {
    std::string name;
    std::string fen;
    std::vector<std::pair<int, std::uint64_t>> counts; // depth, nodes
};

// Reads "FEN ;D1 n ;D2 n ..." lines (comments with '#') and "id/epd/perft N n" records.
std::vector<PerftCase> loadPerftSuite(const std::string& fileName);
// Every case of the four suites, X-FEN castling positions left out.
std::vector<PerftCase> allPerftCases();
