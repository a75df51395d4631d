#pragma once

#include <string>

// The text of the first `count` games of the real masters file, byte for byte.
std::string realGames(int count);

// The number of games a database file indexes when every one of them loads; -1 when the
// file cannot be opened or a game does not load.
int readableGames(const std::string& path);
