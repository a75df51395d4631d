# bash completion for velmorak-cli: its commands, each command's words and options, the
# values of the options that take one of a few, and file names where a file is expected.

_velmorak_cli_files()
{
    compopt -o filenames 2>/dev/null
    local IFS=$'\n'
    COMPREPLY+=($(compgen -f -- "$1"))
}

_velmorak_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands="book db dgt engine fen moves perft pgn play san say server settings sound status validate"
    COMPREPLY=()
    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W "$commands help --help --version" -- "$cur"))
        return
    fi
    local command=${COMP_WORDS[1]} action=${COMP_WORDS[2]}

    # The value of an option that takes one.
    case $prev in
    --white | --black) COMPREPLY=($(compgen -W "human engine" -- "$cur")) && return ;;
    --level) COMPREPLY=($(compgen -W "depth: movetime: blitz: tournament: infinite" -- "$cur"))
        compopt -o nospace 2>/dev/null
        return ;;
    --mode)
        if [[ $command == say ]]; then
            COMPREPLY=($(compgen -W "brief verbose all" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "best good random off" -- "$cur"))
        fi
        return ;;
    --by) COMPREPLY=($(compgen -W "no white black event result" -- "$cur")) && return ;;
    --result) COMPREPLY=($(compgen -W "1-0 1/2 0-1" -- "$cur")) && return ;;
    -o | --pgn | --save | --settings | --file) _velmorak_cli_files "$cur" && return ;;
    --port)
        if [[ $command == dgt ]]; then
            _velmorak_cli_files "${cur:-/dev/}"
        fi
        return ;;
    --engine)
        local IFS=$'\n'
        COMPREPLY=($(compgen -W "$("${COMP_WORDS[0]}" engine list 2>/dev/null)" -- "$cur"))
        # An engine's name may hold blanks ("Stockfish 15.1").
        COMPREPLY=("${COMPREPLY[@]// /\\ }")
        return ;;
    --host | --user | --fen | --depth | --movetime | --games | --plies | --min-games | \
        --event | --year-from | --year-to | --eco)
        return ;;
    esac

    # Words after the command: its action, then its options or files.
    local actions= options= files=
    case $command in
    help) ((COMP_CWORD == 2)) && actions=$commands ;;
    book)
        actions="build lookup"
        [[ $action == build ]] && options="-o --plies --min-games" files=1
        [[ $action == lookup ]] && options="--mode" files=1 ;;
    db)
        actions="index search sort show append replace delete"
        files=1
        [[ $action == search ]] && options="--white --black --any-color --event --year-from
            --year-to --eco --result"
        [[ $action == sort ]] && options="--by --desc" ;;
    dgt) options="--port --fen --settings" ;;
    engine)
        actions="list analyse play"
        [[ $action == analyse ]] && options="--depth --movetime --engine"
        [[ $action == play ]] && options="--games --depth --movetime --engine" ;;
    perft) options="--divide" ;;
    pgn)
        actions="check format"
        files=1 ;;
    play) options="--white --black --level --engine --fen --pgn --restore --save --settings" ;;
    say) options="--mode --play" ;;
    server) options="--host --port --icc --guest --user --settings" ;;
    settings)
        actions="set"
        options="--file"
        if [[ $action == set ]] && ((COMP_CWORD == 3)); then
            local IFS=$'\n'
            # The listing's lines start with the name and two blanks; its heading does not.
            COMPREPLY=($(compgen -W "$("${COMP_WORDS[0]}" settings 2>/dev/null |
                sed -n 's/^\([A-Za-z0-9_.]*\)  .*/\1/p')" -- "$cur"))
            return
        fi ;;
    esac
    # A command shows its usage only when --help is its one argument.
    if [[ $cur == -* ]]; then
        ((COMP_CWORD == 2)) && options+=" --help"
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ -n $actions && $COMP_CWORD -eq 2 ]]; then
        COMPREPLY=($(compgen -W "$actions" -- "$cur"))
    elif [[ -n $files ]]; then
        _velmorak_cli_files "$cur"
    fi
}

complete -F _velmorak_cli velmorak-cli
