#!/usr/bin/env python3
"""Builds data/vmtactics.pgn, the training positions, from a lichess puzzle CSV.

Each CSV row holds the position before the opponent's last move and, in coordinates, that
move followed by the solution. A training position starts after the opponent's move, so
the user plays the other side: the game's FEN is the position after the first move, and
its main line is the rest. The SAN of each move comes from velmorak-cli itself ("moves",
which lists the legal moves of a FEN in coordinates and SAN), so an illegal move stops the
build instead of reaching the file.

Usage: make-vmtactics.py PUZZLES.csv VELMORAK-CLI OUTPUT.pgn [--every N]
"""
import argparse
import csv
import subprocess
import sys

FILES = "abcdefgh"


def square(name):
    return FILES.index(name[0]), int(name[1]) - 1


def square_name(file, rank):
    return FILES[file] + str(rank + 1)


def apply_move(fen, move):
    """The FEN after a legal coordinate move (castling as the king's two-square step)."""
    placement, side, castling, _, halfmove, fullmove = fen.split()
    board = {}
    for row, text in enumerate(placement.split("/")):
        file = 0
        for c in text:
            if c.isdigit():
                file += int(c)
            else:
                board[(file, 7 - row)] = c
                file += 1
    origin, target = square(move[0:2]), square(move[2:4])
    piece = board.pop(origin)
    captured = board.pop(target, None)
    kind = piece.lower()
    if kind == "p" and origin[0] != target[0] and captured is None:
        captured = board.pop((target[0], origin[1]))  # en passant
    if kind == "k" and abs(target[0] - origin[0]) == 2:
        rook_from, rook_to = (7, 5) if target[0] > origin[0] else (0, 3)
        board[(rook_to, origin[1])] = board.pop((rook_from, origin[1]))
    if len(move) > 4:
        piece = move[4].upper() if piece.isupper() else move[4].lower()
    board[target] = piece

    rights = castling if castling != "-" else ""
    lost = {"K": {(4, 0), (7, 0)}, "Q": {(4, 0), (0, 0)},
            "k": {(4, 7), (7, 7)}, "q": {(4, 7), (0, 7)}}
    rights = "".join(r for r in rights if not lost[r] & {origin, target}) or "-"
    passant = "-"
    if kind == "p" and abs(target[1] - origin[1]) == 2:
        passant = square_name(origin[0], (origin[1] + target[1]) // 2)
    halfmove = 0 if kind == "p" or captured else int(halfmove) + 1
    fullmove = int(fullmove) + (1 if side == "b" else 0)

    rows = []
    for rank in range(7, -1, -1):
        text, empty = "", 0
        for file in range(8):
            c = board.get((file, rank))
            if c is None:
                empty += 1
                continue
            text += (str(empty) if empty else "") + c
            empty = 0
        rows.append(text + (str(empty) if empty else ""))
    return " ".join(["/".join(rows), "w" if side == "b" else "b", rights, passant,
                     str(halfmove), str(fullmove)])


def san_line(cli, fen, moves):
    """The moves played from fen as PGN movetext in SAN, with move numbers."""
    side, number = fen.split()[1], int(fen.split()[5])
    words = []
    for move in moves:
        listed = subprocess.run([cli, "moves", fen], capture_output=True, text=True, check=True)
        legal = dict(line.split() for line in listed.stdout.splitlines())
        if move not in legal:
            sys.exit(f"{move} is not legal in {fen}")
        if side == "w":
            words.append(f"{number}.")
        elif not words:
            words.append(f"{number}...")
        words.append(legal[move])
        if side == "b":
            number += 1
        side = "b" if side == "w" else "w"
        fen = apply_move(fen, move)
    return " ".join(words)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("puzzles")
    parser.add_argument("cli")
    parser.add_argument("output")
    parser.add_argument("--every", type=int, default=5, help="take every N-th puzzle")
    args = parser.parse_args()

    with open(args.puzzles, newline="") as source:
        rows = list(csv.DictReader(source))[:: args.every]
    # Easy ones first: a training session walks the file from the top.
    rows.sort(key=lambda row: (int(row["Rating"]), row["PuzzleId"]))

    games = []
    for number, row in enumerate(rows, 1):
        moves = row["Moves"].split()
        start = apply_move(row["FEN"], moves[0])
        user = "White" if start.split()[1] == "w" else "Black"
        games.append("\n".join([
            '[Event "Velmorak tactics"]',
            f'[Site "{row["GameUrl"]}"]',
            '[Date "????.??.??"]',
            f'[Round "{number}"]',
            f'[White "{user} to play"]',
            f'[Black "Rating {row["Rating"]}"]',
            '[Result "*"]',
            '[SetUp "1"]',
            f'[FEN "{start}"]',
            f'[PuzzleId "{row["PuzzleId"]}"]',
            f'[Themes "{row["Themes"]}"]',
            "",
            san_line(args.cli, start, moves[1:]) + " *",
            "",
        ]))

    with open(args.output, "w", newline="\n") as output:
        output.write("\n".join(games))
    print(f"{len(games)} positions written to {args.output}")


if __name__ == "__main__":
    main()
