# bash completion for pellix-cli.
#
# The commands and each command's options are read from `pellix-cli --help`, so the
# completion follows the program it completes; ports come from `pellix-cli ports`.

_pellix_cli() {
    local cur prev cword
    local -a words
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
    words=("${COMP_WORDS[@]}")
    cword=$COMP_CWORD

    local cli=${words[0]}
    local help
    help=$("$cli" --help 2>/dev/null) || return 0

    if ((cword == 1)); then
        local commands
        commands=$(printf '%s\n' "$help" | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p')
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return 0
    fi

    local command=${words[1]}
    case $prev in
    --port)
        local ports
        ports=$("$cli" ports 2>/dev/null | awk '{ print $1 }')
        COMPREPLY=($(compgen -W "$ports COM1 COM2 COM3 COM4" -- "$cur"))
        return 0
        ;;
    --irc)
        COMPREPLY=($(compgen -W "slowest 4mhz fastest" -- "$cur"))
        return 0
        ;;
    --trace | --script | -o | --output | -l)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
        return 0
        ;;
    esac

    if [[ $cur == -* ]]; then
        local usage options
        usage=$(printf '%s\n' "$help" | sed -n "s/^  $command \(.*\)/\1/p")
        options=$(printf '%s\n' "$usage" | grep -o -- '-[-a-z]*')
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return 0
    fi

    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$cur"))
    return 0
}

complete -F _pellix_cli pellix-cli
