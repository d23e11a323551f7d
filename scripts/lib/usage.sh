# Sourced by the scripts: with -h or --help as the first argument, prints the script's opening
# comment (its description and usage) and exits.
finder_help() {
    case "${2:-}" in
    -h | --help)
        sed -n '2,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$1"
        exit 0
        ;;
    esac
}
