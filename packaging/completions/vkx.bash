# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion of vkx: its commands, each command's options, boxes (*.vkx) where a box is
# read, folders where a folder is wanted. Every option vkx prints in --help is offered here
# (scripts/check-options.sh checks it).

_vkx_boxes() {
    local IFS=$'\n'
    COMPREPLY=($(compgen -d -- "$1") $(compgen -f -X '!*.vkx' -- "$1"))
}

_vkx() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command="" word i IFS=$'\n'
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
            create | list | extract | verify | mount) command=$word; break ;;
        esac
    done

    case $prev in
        -o | --output) _vkx_boxes "$cur"; return ;;
        -C | --directory) COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --password-file) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        -n | --name | --threads | --memory) return ;;
    esac

    local options
    case $command in
        "") options="create list extract verify mount --help --version" ;;
        create) options="-o --output -n --name -z --compress --hidden --password-file --threads -q --quiet -h --help" ;;
        list) options="--json --password-file -h --help" ;;
        extract) options="-C --directory --keep-existing --overwrite --skip-existing --keep-damaged --password-file --threads -q --quiet -h --help" ;;
        verify) options="--password-file --threads -q --quiet -h --help" ;;
        mount) options="--background --memory --password-file -h --help" ;;
    esac
    if [[ -z $command || $cur == -* ]]; then
        IFS=$' \t\n'
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    case $command in
        create) COMPREPLY=($(compgen -d -- "$cur")) ;;
        list | extract | verify) _vkx_boxes "$cur" ;;
        mount) _vkx_boxes "$cur"; COMPREPLY+=($(compgen -d -- "$cur")) ;;
    esac
}

complete -o filenames -F _vkx vkx
