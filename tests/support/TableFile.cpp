#include "TableFile.h"

#include <fstream>

std::vector<TableRow> readTableFile(const std::string& path)
{
    std::vector<TableRow> rows;
    std::ifstream in(path);
    auto trimmed = [](std::string text) {
        text.erase(0, text.find_first_not_of(' '));
        text.erase(text.find_last_not_of(" \r") + 1);
        return text;
    };
    for (std::string line; std::getline(in, line);) {
        if (trimmed(line).empty() || line[0] == '#')
            continue;
        TableRow row;
        for (std::size_t start = 0, bar;; start = bar + 3) {
            bar = line.find(" | ", start);
            row.push_back(trimmed(line.substr(start, bar - start)));
            if (bar == std::string::npos)
                break;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<TableRow> readTableFile(const std::string& path, const std::string& kind)
{
    std::vector<TableRow> rows = readTableFile(path);
    std::erase_if(rows, [&](const TableRow& row) { return row.front() != kind; });
    return rows;
}
