# The spoken words of the voice announcements: the word's file name (without ".wav"), then
# what is said. File words name the file's letter, rank words the digit.
set(VELMORAK_ANNOUNCE_WORDS
    "King=king" "Queen=queen" "Rook=rook" "Bishop=bishop" "Knight=knight" "Pawn=pawn"
    "Takes=takes" "EnPassant=en passant" "0-0=castles short" "0-0-0=castles long"
    "Check=check" "Checkmate=checkmate" "Stalemate=stalemate" "Drawoffer=draw")
foreach(letter A B C D E F G H)
    list(APPEND VELMORAK_ANNOUNCE_WORDS "${letter}from=${letter}")
endforeach()
foreach(digit RANGE 1 8)
    list(APPEND VELMORAK_ANNOUNCE_WORDS "${digit}from=${digit}" "${digit}to=${digit}")
endforeach()
