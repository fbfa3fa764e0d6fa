#!/usr/bin/env bash
# Checks the include graph between the source folders (each hostkit/ subfolder counts
# as a folder of its own):
# - no folder includes, directly or through others, a folder that includes it back;
# - host/ includes only host/;
# - the plug-in folders include only each other, host/ and resources/, and from <...>
#   only the standard library and <windows.h>/<commctrl.h> (and, in the operating
#   system halves *_posix.cpp and *_win32.cpp, the file system's headers).
# Prints each offence and exits 1 when there is one.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

plugin_folders="shell prep export utility resources"
source_folders="host hostkit app scenes $plugin_folders"

folder_of() { # folder of a path: its first part, or the first two under hostkit/
    case "$1" in
    hostkit/*/*) echo "$1" | cut -d/ -f1-2 ;;
    *) echo "${1%%/*}" ;;
    esac
}

status=0
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT

for top in $source_folders; do
    [ -d "$top" ] || continue
    while IFS= read -r file; do
        from=$(folder_of "$file")
        while IFS= read -r included; do
            [ -n "$included" ] || continue
            case "$included" in */*) ;; *) continue ;; esac # beside the file
            to=$(folder_of "$included")
            [ "$from" = "$to" ] || echo "$from $to" >>"$edges"
            case " $plugin_folders host " in
            *" $from "*) ;;
            *) continue ;;
            esac
            if [ "$from" = host ] && [ "$to" != host ]; then
                echo "$file: host/ includes $included"
                status=1
            elif [ "$from" != host ] && ! case " $plugin_folders host " in *" $to "*) true ;; *) false ;; esac; then
                echo "$file: the plug-in includes $included"
                status=1
            fi
        done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
        case " $plugin_folders " in
        *" $from "*)
            while IFS= read -r system; do
                case "$system" in
                windows.h | commctrl.h) ;;
                fcntl.h | unistd.h | io.h | sys/stat.h) # the file system, in the OS halves
                    case "$file" in
                    *_posix.cpp | *_win32.cpp) ;;
                    *) echo "$file: the plug-in includes <$system>"; status=1 ;;
                    esac
                    ;;
                */* | *.*) echo "$file: the plug-in includes <$system>"; status=1 ;;
                esac
            done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*/\1/p' "$file")
            ;;
        esac
    done < <(find "$top" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)
done

# tsort reports every loop it finds in the folder graph.
if ! loops=$(sort -u "$edges" | tsort 2>&1 >/dev/null) || [ -n "$loops" ]; then
    echo "include loop between folders:"
    echo "$loops"
    status=1
fi
[ "$status" = 0 ] && echo "include graph: $(sort -u "$edges" | wc -l) folder edges, no loops"
exit $status
