#include "PerftSuite.h"

#include <fstream>
#include <sstream>

std::vector<PerftCase> loadPerftSuite(const std::string& fileName)
{
    std::vector<PerftCase> cases;
    std::ifstream in(std::string(VELMORAK_DATA_DIR) + "/perft/" + fileName);
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (line.rfind("id ", 0) == 0) {
            cases.push_back({ line.substr(3), "", {} });
        } else if (line.rfind("epd ", 0) == 0 && !cases.empty()) {
            cases.back().fen = line.substr(4);
        } else if (line.rfind("perft ", 0) == 0 && !cases.empty()) {
            std::istringstream fields(line.substr(6));
            int depth;
            std::uint64_t nodes;
            if (fields >> depth >> nodes)
                cases.back().counts.emplace_back(depth, nodes);
        } else if (line.find(";D") != std::string::npos) {
            PerftCase c;
            std::size_t semicolon = line.find(';');
            c.fen = line.substr(0, line.find_last_not_of(' ', semicolon - 1) + 1);
            c.name = fileName + ":" + std::to_string(lineNumber);
            std::istringstream fields(line.substr(semicolon));
            std::string token;
            while (fields >> token) {
                if (token.rfind(";D", 0) == 0) {
                    std::uint64_t nodes;
                    if (fields >> nodes)
                        c.counts.emplace_back(std::stoi(token.substr(2)), nodes);
                } else if (token == ";id") {
                    fields >> c.name;
                }
            }
            cases.push_back(c);
        }
    }
    return cases;
}

std::vector<PerftCase> allPerftCases()
{
    std::vector<PerftCase> all;
    for (const char* file :
        { "standard6.epd", "perftsuite.epd", "perftsuite2.epd", "tricky.perft" })
        for (PerftCase& c : loadPerftSuite(file))
            // X-FEN castling and castling from a king off its home square are not chess.
            if (c.name.rfind("xfen", 0) != 0 && c.name != "asymmetrical-and-king-on-h" &&
                !c.fen.empty())
                all.push_back(std::move(c));
    return all;
}
