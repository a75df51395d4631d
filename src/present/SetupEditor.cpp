#include "present/SetupEditor.h"

#include <algorithm>

#include "app/GameController.h"
#include "record/CPgnGame.h"
#include "record/FenGame.h"
#include "rules/PositionValidation.h"

namespace velmorak {

namespace {

struct CastlingHome {
    std::uint8_t right;
    Square king;
    PieceCode kingCode;
    Square rook;
    PieceCode rookCode;
};

constexpr CastlingHome kCastlingHomes[] = {
    { kWhiteShortRight, 0x40, kWhiteKing, 0x70, kWhiteRook },
    { kWhiteLongRight, 0x40, kWhiteKing, 0x00, kWhiteRook },
    { kBlackShortRight, 0x47, kBlackKing, 0x77, kBlackRook },
    { kBlackLongRight, 0x47, kBlackKing, 0x07, kBlackRook },
};

std::uint8_t rightsAtHome(const Board& board)
{
    std::uint8_t rights = 0;
    for (const CastlingHome& home : kCastlingHomes)
        if (board.pieceAt(home.king) == home.kingCode && board.pieceAt(home.rook) == home.rookCode)
            rights |= home.right;
    return rights;
}

bool isPlaceable(PieceCode piece)
{
    return piece <= kWhiteQueen || (piece >= kBlackKing && piece <= kBlackQueen);
}

} // namespace

SetupEditor::SetupEditor(std::string_view currentFen)
    : m_board(currentFen)
    , m_startFen(m_board.fen())
{
}

void SetupEditor::selectPiece(PieceCode piece)
{
    if (isPlaceable(piece))
        m_selected = piece;
}

void SetupEditor::place(Square square)
{
    if (m_stage == Stage::Editing)
        m_board.setPieceAt(square, m_selected);
}

void SetupEditor::remove(Square square)
{
    if (m_stage == Stage::Editing)
        m_board.setPieceAt(square, kEmpty);
}

void SetupEditor::move(Square from, Square to)
{
    if (m_stage != Stage::Editing || !isOnBoard(from) || !isOnBoard(to) || from == to)
        return;
    PieceCode piece = m_board.pieceAt(from);
    if (piece == kEmpty)
        return;
    m_board.setPieceAt(from, kEmpty);
    m_board.setPieceAt(to, piece);
}

void SetupEditor::clear()
{
    if (m_stage == Stage::Editing)
        m_board.clear();
}

void SetupEditor::setStartPosition()
{
    if (m_stage == Stage::Editing)
        m_board.setStartPosition();
}

void SetupEditor::setCurrentPosition()
{
    if (m_stage == Stage::Editing)
        m_board.setFromFen(m_startFen);
}

Status SetupEditor::setFen(std::string_view fen)
{
    if (!looksLikeFen(fen))
        return Error { ErrorKind::InvalidInput, notAFenMessage(fen) };
    if (m_stage == Stage::Editing)
        m_board.setFromFen(fen);
    return {};
}

std::string SetupEditor::fen() const
{
    Board shown = m_board;
    shown.dropContradictedRights();
    return shown.fen();
}

void SetupEditor::followElectronicBoard(const BoardSquares& squares)
{
    if (m_stage != Stage::Editing)
        return;
    for (int square = 0; square < 0x78; ++square)
        if (isOnBoard(square))
            m_board.setPieceAt(static_cast<Square>(square), squares[square]);
    m_board.setCastlingRights(rightsAtHome(m_board));
    m_board.setEnPassantSquare(0);
}

std::string_view SetupEditor::closeEditor(std::optional<std::uint8_t> sideFromElectronicBoard)
{
    if (m_stage != Stage::Editing)
        return {};
    m_board.dropContradictedRights();
    if (sideFromElectronicBoard)
        m_board.setSideToMove(*sideFromElectronicBoard);
    if (!validateAllowingSideSwap(m_board))
        return kIllegalPositionText;
    if (sideFromElectronicBoard)
        return finishIfLegal();
    m_stage = Stage::Details;
    return {};
}

void SetupEditor::abandon()
{
    if (m_stage == Stage::Editing)
        m_stage = Stage::Abandoned;
}

SetupDetails SetupEditor::details() const
{
    SetupDetails shown;
    shown.sideToMove = m_board.sideToMove();
    shown.castlingAvailable = rightsAtHome(m_board);
    shown.castlingRights = m_board.castlingRights() & shown.castlingAvailable;
    if (Square ep = m_board.enPassantSquare(); ep != 0 && isOnBoard(ep))
        shown.enPassantFile = fileOf(ep);
    shown.moveNumber = std::clamp(m_board.moveNumber(), kMinMoveNumber, kMaxMoveNumber);
    return shown;
}

std::string_view SetupEditor::closeDetails(const std::optional<SetupDetails>& chosen)
{
    if (m_stage != Stage::Details)
        return {};
    if (chosen) {
        if (!chosen->sideToMove)
            return kSetSideToMoveText;
        const std::uint8_t side = *chosen->sideToMove == kBlackSide ? kBlackSide : kWhiteSide;
        m_board.setSideToMove(side);
        // A box for a king or rook away from home cannot be ticked.
        m_board.setCastlingRights(chosen->castlingRights & rightsAtHome(m_board));
        Square ep = 0;
        if (chosen->enPassantFile && *chosen->enPassantFile >= 0 && *chosen->enPassantFile < 8)
            ep = makeSquare(*chosen->enPassantFile, side == kWhiteSide ? 5 : 2);
        m_board.setEnPassantSquare(ep);
        m_board.setMoveNumber(std::clamp(chosen->moveNumber, kMinMoveNumber, kMaxMoveNumber));
    }
    return finishIfLegal();
}

std::string_view SetupEditor::finishIfLegal()
{
    if (!validatePosition(m_board)) {
        m_stage = Stage::Editing;
        return kIllegalPositionText;
    }
    m_stage = Stage::Finished;
    return {};
}

std::optional<std::string> SetupEditor::newGameFen() const
{
    if (m_stage != Stage::Finished || m_board.fen() == m_startFen)
        return std::nullopt;
    Board start = m_board;
    start.setHalfMoveClock(0);
    return start.fen();
}

bool installSetupPosition(GameController& controller, const std::string& fen)
{
    if (!controller.prepareGameChange())
        return false;
    controller.setGame(gameFromFen(fen));
    controller.clearEngineHashtables();
    return true;
}

} // namespace velmorak
