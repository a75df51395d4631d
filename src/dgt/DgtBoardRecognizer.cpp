#include "dgt/DgtBoardRecognizer.h"

#include <algorithm>

namespace velmorak {

namespace {

constexpr std::uint8_t kWhitePawn = 1;
constexpr std::uint8_t kBlackPawn = 7;
constexpr std::uint8_t kBlackOffset = 6;

// d5 and e4 are light, e5 and d4 dark, in either orientation.
constexpr int kLightCentre[] = { 27, 36 };
constexpr int kDarkCentre[] = { 28, 35 };

DgtBoardImage makeStartImage()
{
    // rook, knight, bishop, queen, king, bishop, knight, rook from a to h.
    constexpr std::uint8_t backRank[] = { 2, 3, 4, 6, 5, 4, 3, 2 };
    DgtBoardImage image {};
    for (std::size_t file = 0; file < 8; ++file) {
        image[file] = static_cast<std::uint8_t>(backRank[file] + kBlackOffset);
        image[8 + file] = kBlackPawn;
        image[48 + file] = kWhitePawn;
        image[56 + file] = backRank[file];
    }
    return image;
}

bool isKingCode(std::uint8_t piece)
{
    return piece == kDgtWhiteKing || piece == kDgtBlackKing;
}

// Pawns on the rank where the other side's pawns start: the board must stand the other way.
bool pawnsOnWrongEdge(const DgtBoardImage& board)
{
    for (std::size_t file = 0; file < 8; ++file) {
        if (board[56 + file] == kWhitePawn || board[file] == kBlackPawn)
            return true;
    }
    return false;
}

// One side's back rank holds only its officers, with exactly one king.
bool shuffledBackRank(const DgtBoardImage& board, std::size_t first, std::uint8_t offset)
{
    int kings = 0;
    for (std::size_t square = first; square < first + 8; ++square) {
        std::uint8_t piece = board[square];
        if (piece <= offset || piece > offset + 6 || piece == offset + kWhitePawn)
            return false;
        if (piece == offset + kDgtWhiteKing)
            ++kings;
    }
    return kings == 1;
}

bool shuffledStart(const DgtBoardImage& board)
{
    const DgtBoardImage& start = dgtStartImage();
    return std::equal(board.begin() + 8, board.begin() + 56, start.begin() + 8) &&
        shuffledBackRank(board, 0, kBlackOffset) && shuffledBackRank(board, 56, 0);
}

} // namespace

const DgtBoardImage& dgtStartImage()
{
    static const DgtBoardImage image = makeStartImage();
    return image;
}

const DgtBoardImage& dgtTurnedStartImage()
{
    static const DgtBoardImage image = dgtTurnedImage(dgtStartImage());
    return image;
}

DgtBoardImage dgtTurnedImage(const DgtBoardImage& image)
{
    DgtBoardImage turned;
    std::reverse_copy(image.begin(), image.end(), turned.begin());
    return turned;
}

DgtBoardRecognizer::Codes DgtBoardRecognizer::boardChanged(const DgtBoardImage& received)
{
    Codes codes;
    m_received = received;
    m_board = m_rotated ? dgtTurnedImage(received) : received;
    codes.recognition = recognise(received);
    codes.kingTracker = m_kingTracker.boardChanged(received);
    return codes;
}

std::optional<DgtEventCode> DgtBoardRecognizer::recognise(const DgtBoardImage& received)
{
    int light = 0;
    int dark = 0;
    for (int square : kLightCentre)
        light += isKingCode(received[static_cast<std::size_t>(square)]) ? 1 : 0;
    for (int square : kDarkCentre)
        dark += isKingCode(received[static_cast<std::size_t>(square)]) ? 1 : 0;
    if (dark >= 2 && light == 0)
        return DgtEventCode::ResultBlackWins;
    if (light >= 2 && dark == 0)
        return DgtEventCode::ResultWhiteWins;
    if (light == 1 && dark == 1)
        return DgtEventCode::ResultDraw;

    if (std::none_of(received.begin(), received.end(), isKingCode)) {
        // Turn only when that puts the pawns right: a set-up with pawns on both edges would
        // otherwise turn the board at every change.
        if (pawnsOnWrongEdge(m_board) && !pawnsOnWrongEdge(dgtTurnedImage(m_board))) {
            setRotated(!m_rotated, received);
            return DgtEventCode::SetupRotated;
        }
        return std::nullopt;
    }

    if (received == dgtStartImage()) {
        setRotated(false, received);
        return DgtEventCode::StartingPosition;
    }
    if (received == dgtTurnedStartImage()) {
        setRotated(true, received);
        return DgtEventCode::StartingPosition;
    }
    if (shuffledStart(received)) {
        setRotated(false, received);
        return DgtEventCode::RandomFischerStart;
    }
    if (shuffledStart(dgtTurnedImage(received))) {
        setRotated(true, received);
        return DgtEventCode::RandomFischerStart;
    }
    return std::nullopt;
}

void DgtBoardRecognizer::setRotated(bool rotated, const DgtBoardImage& received)
{
    m_rotated = rotated;
    m_board = rotated ? dgtTurnedImage(received) : received;
}

void DgtBoardRecognizer::turn()
{
    setRotated(!m_rotated, m_received);
}

void DgtBoardRecognizer::reset()
{
    m_received = {};
    m_board = {};
    m_kingTracker.reset();
}

} // namespace velmorak
