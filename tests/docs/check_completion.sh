#!/bin/bash
# Completes a few command lines with the bash completion of velmorak-cli and compares the
# words offered. Usage: check_completion.sh BIN_DIR SOURCE_DIR
set -u -f
cli=$1/velmorak-cli
source "$2/desktop/velmorak-cli.bash" || exit 1
scratch=$(mktemp -d) && trap 'rm -rf "$scratch"' EXIT
export VELMORAK_CONFIG=$scratch/settings.reg
touch "$scratch/games.pgn" "$scratch/gambits.pgn" "$scratch/other.kbk"
failures=0

# The words one per line, sorted, on one line.
words()
{
    printf '%s\n' "$@" | sort | tr '\n' ' '
}

# expect "WORDS OFFERED" COMMAND LINE...: the last word is the one being completed.
expect()
{
    local wanted=$1
    shift
    COMP_WORDS=("$cli" "$@")
    COMP_CWORD=$#
    _velmorak_cli
    local got=$(words "${COMPREPLY[@]}")
    if [[ $got != "$(words $wanted)" ]]; then
        echo "velmorak-cli $*: offered '$got', wanted '$(words $wanted)'"
        failures=$((failures + 1))
    fi
}

# The commands are those --help lists.
commands=$("$cli" --help | sed -n 's/^velmorak-cli \([a-z]*\) .*/\1/p' | sort -u)
expect "$commands help --help --version" ""
expect "help" he
expect "db dgt" help d
expect "index search sort show append replace delete" db ""
expect "--white" db search x.pgn --w
expect "--year-from --year-to" db search x.pgn --y
expect "1-0 1/2 0-1" db search x.pgn --result ""
expect "random" book lookup x.kbk --mode r
expect "brief" say fen e4 --mode b
expect "blitz:" play --level b
expect "human engine" play --black ""
expect "--mode --play --help" say --
expect "--play" say fen e4 --p
expect "$scratch/games.pgn $scratch/gambits.pgn" pgn check "$scratch/ga"
expect "$scratch/games.pgn $scratch/gambits.pgn" play --save "$scratch/gam"
expect "" play --save x.pgn "$scratch/gam"
expect "$scratch/other.kbk" book build x.pgn -o "$scratch/o"
expect "--divide" perft 5 --d
expect "" server --port ""
expect "--file" settings --f
# Names the program lists itself.
expect "IDC_CBSOUND" settings set IDC_CBSO
expect "FICS.IDC_STPASSWORD" settings set FICS.IDC_STPA
expect "TestEngine" engine play --engine Te
exit $((failures > 0))
