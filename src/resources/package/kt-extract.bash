# bash completion for kt-extract
_kt_extract()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case $prev in
        -o|--output)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -d -- "$cur")
            return ;;
        -e|--encoding)
            mapfile -t COMPREPLY < <(compgen -W "auto $(kt-extract --list-encodings 2>/dev/null | awk '{print $2}')" -- "$cur")
            return ;;
    esac
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "-o --output --here -e --encoding -p --password-stdin -q --quiet
            --list-encodings -h --help -v --version" -- "$cur")
        return
    fi
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -X '!*.@(zip|ZIP|7z|7Z|rar|RAR|tar|TAR|gz|GZ|tgz|TGZ|bz|bz2|BZ2|tbz|tbz2|xz|XZ|txz|zst|ZST|lz4|iso|ISO|cpio|[0-9][0-9][0-9]|r[0-9][0-9])' -- "$cur"; compgen -d -- "$cur")
}
complete -F _kt_extract kt-extract
