#include "PgnFiles.h"

#include <fstream>

#include "record/CDatabase.h"
#include "record/CPgnParser.h"

std::string realGames(int count)
{
    std::ifstream in(std::string(VELMORAK_DATA_DIR) + "/pgn/masters-111k.pgn", std::ios::binary);
    std::string text;
    std::string line;
    int events = 0;
    while (std::getline(in, line)) {
        if (line.rfind("[Event ", 0) == 0 && ++events > count)
            break;
        text += line;
        text += '\n';
    }
    return text;
}

int readableGames(const std::string& path)
{
    velmorak::CPgnParser parser;
    velmorak::CDatabase db(parser);
    if (!db.open(path))
        return -1;
    const int count = int(db.getEntries().size());
    for (int i = 0; i < count; ++i)
        if (!db.gotoGame(i))
            return -1;
    return count;
}
