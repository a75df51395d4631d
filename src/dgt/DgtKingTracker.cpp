#include "dgt/DgtKingTracker.h"

namespace velmorak {

namespace {

int findPiece(const DgtBoardImage& image, std::uint8_t piece)
{
    for (int square = 0; square < static_cast<int>(image.size()); ++square) {
        if (image[static_cast<std::size_t>(square)] == piece)
            return square;
    }
    return -1;
}

} // namespace

std::optional<DgtEventCode> DgtKingTracker::boardChanged(const DgtBoardImage& image)
{
    int white = findPiece(image, kDgtWhiteKing);
    int black = findPiece(image, kDgtBlackKing);
    bool bothFound = white >= 0 && black >= 0;
    bool noneFound = white < 0 && black < 0;

    switch (m_state) {
    case 0:
        if (white >= 0)
            m_whiteKing = white;
        if (black >= 0)
            m_blackKing = black;
        if (m_whiteKing >= 0 && m_blackKing >= 0) {
            m_state = 2;
            return lastNewPosition();
        }
        if (m_whiteKing >= 0 || m_blackKing >= 0)
            m_state = 1;
        return std::nullopt;
    case 1:
        if (noneFound) {
            enterNoKing();
            return DgtEventCode::SetupEntered;
        }
        if (!bothFound) {
            remember(white, black);
            return std::nullopt;
        }
        m_state = 2;
        if (black == m_blackKing) {
            remember(white, black);
            m_lastNewPosition = DgtEventCode::NewPositionWhiteToMove;
            return m_lastNewPosition;
        }
        if (white != m_whiteKing) {
            // Both kings came down at once (a dump): nothing says who was last.
            remember(white, black);
            return lastNewPosition();
        }
        remember(white, black);
        m_lastNewPosition = DgtEventCode::NewPositionBlackToMove;
        return m_lastNewPosition;
    case 2:
        if (noneFound) {
            enterNoKing();
            return DgtEventCode::SetupEntered;
        }
        if (black >= 0 && black == m_blackKing && white < 0) {
            m_whiteLiftedFrom = m_whiteKing;
            m_blackLiftedFrom = -1;
            m_state = 3;
        } else if (white >= 0 && white == m_whiteKing && black < 0) {
            m_blackLiftedFrom = m_blackKing;
            m_whiteLiftedFrom = -1;
            m_state = 3;
        }
        remember(white, black);
        return std::nullopt;
    default:
        if (noneFound) {
            enterNoKing();
            return DgtEventCode::SetupEntered;
        }
        m_state = 2;
        if (m_blackLiftedFrom >= 0 && black == m_blackLiftedFrom && white == m_whiteKing) {
            remember(white, black);
            return DgtEventCode::BlackMoveNow;
        }
        if (m_whiteLiftedFrom >= 0 && white == m_whiteLiftedFrom && black == m_blackKing) {
            remember(white, black);
            return DgtEventCode::WhiteMoveNow;
        }
        remember(white, black);
        return std::nullopt;
    }
}

void DgtKingTracker::enterNoKing()
{
    // Squares from before the board was cleared would tell a later set-up which king came
    // down last wrongly.
    m_state = 0;
    m_whiteKing = -1;
    m_blackKing = -1;
    m_whiteLiftedFrom = -1;
    m_blackLiftedFrom = -1;
}

void DgtKingTracker::remember(int white, int black)
{
    m_whiteKing = white;
    m_blackKing = black;
}

std::optional<DgtEventCode> DgtKingTracker::lastNewPosition() const
{
    return m_lastNewPosition;
}

void DgtKingTracker::reset()
{
    enterNoKing();
    m_lastNewPosition.reset();
}

} // namespace velmorak
