#include "Square.h"

namespace velmorak {

Square squareFromText(std::string_view text)
{
    if (text.size() < 2)
        return NoSquare;
    char letter = text[0];
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    return static_cast<Square>((letter - 'A') * 16 + (text[1] - '1'));
}

std::string squareText(Square square)
{
    return { static_cast<char>((square >> 4) + 'a'), static_cast<char>((square & 7) + '1') };
}

} // namespace velmorak
