#!/bin/bash
# make-setup.sh BUILD_DIR THIRD_PARTY_DIR: builds BUILD_DIR/tollivance-<version>-setup.exe with
# NSIS from the Windows build in BUILD_DIR (scripts/build-windows.sh) and the third-party
# programs in THIRD_PARTY_DIR, laid out as the program layout:
#   turbovnc/turbovnc-client-go.exe  vcxsrv/vcxsrv.exe  nxproxy/nxproxy.exe  openssh/ssh.exe
#   sumatraPDF.exe
# Those four folders are taken whole (their programs' own files beside them); other files at the
# top of THIRD_PARTY_DIR are not. Prints the setup program's path on its last line.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 BUILD_DIR THIRD_PARTY_DIR" >&2; exit 2; }
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
fail() { echo "make-setup: $*" >&2; exit 1; }

[ -d "$1" ] || fail "no build folder $1"
[ -d "$2" ] || fail "no third-party folder $2"
build="$(cd "$1" && pwd)"
third="$(cd "$2" && pwd)"
command -v makensis >/dev/null || fail "makensis not found (Debian package nsis)"
[ -f "$build/tollivance.exe" ] || fail "no tollivance.exe in $build (run scripts/build-windows.sh)"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt" 2>/dev/null)"
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "no x.y.z project version in $build/CMakeCache.txt"
# No setup program of an earlier run is left to be taken for this one's.
out="$build/tollivance-$version-setup.exe"
rm -f "$out"

folders=(turbovnc vcxsrv nxproxy openssh)
missing=()
for program in turbovnc/turbovnc-client-go.exe vcxsrv/vcxsrv.exe nxproxy/nxproxy.exe \
        openssh/ssh.exe sumatraPDF.exe; do
    [ -f "$third/$program" ] || missing+=("$program")
done
[ ${#missing[@]} -eq 0 ] || fail "the third-party folder $third lacks: ${missing[*]}"
for entry in "$third"/*; do
    name="$(basename "$entry")"
    case " ${folders[*]} sumatraPDF.exe " in
    *" $name "*) ;;
    *) echo "make-setup: not taken from the third-party folder: $name" >&2 ;;
    esac
done

work="$(mktemp -d /tmp/tollivance-setup.XXXXXX)"
trap 'rm -rf "$work"' EXIT

bad="$(cd "$third" && find -L "${folders[@]}" \( -name '*[\"\\*?<>|$]*' -o -name '*[[:cntrl:]]*' \) \
    -print -quit)"
[ -z "$bad" ] || fail "a third-party file name with one of \"\\*?<>|$ or a control character: $bad"

# A path as an NSIS string (the names are checked above: no "$" or quote in them).
quoted() { printf '"%s"' "$1"; }
windows_path() { printf '%s' "${1//\//\\}"; }

# The third-party files, one install line and one uninstall line each; folders removed deepest
# first and only when empty.
nsh="$work/third-party.nsh"
{
    echo '!macro TOLLIVANCE_THIRD_PARTY_INSTALL'
    while IFS= read -r -d '' dir; do
        rel="${dir#"$third"/}"
        echo "    SetOutPath $(quoted "\$INSTDIR\\$(windows_path "$rel")")"
        while IFS= read -r -d '' file; do
            echo "    File $(quoted "$file")"
        done < <(find -L "$dir" -mindepth 1 -maxdepth 1 -type f -print0 | sort -z)
    done < <(for f in "${folders[@]}"; do find -L "$third/$f" -type d -print0; done | sort -z)
    echo "    SetOutPath \"\$INSTDIR\""
    echo "    File $(quoted "$third/sumatraPDF.exe")"
    echo '!macroend'
    echo '!macro TOLLIVANCE_THIRD_PARTY_UNINSTALL'
    while IFS= read -r -d '' file; do
        echo "    Delete $(quoted "\$INSTDIR\\$(windows_path "${file#"$third"/}")")"
    done < <(for f in "${folders[@]}"; do find -L "$third/$f" -type f -print0; done | sort -z)
    echo "    Delete \"\$INSTDIR\\sumatraPDF.exe\""
    while IFS= read -r -d '' dir; do
        echo "    RMDir $(quoted "\$INSTDIR\\$(windows_path "${dir#"$third"/}")")"
    done < <(for f in "${folders[@]}"; do find -L "$third/$f" -type d -print0; done | sort -rz)
    echo '!macroend'
} >"$nsh"

timeout 600 makensis -V2 -WX -NOCD \
    "-DVERSION=$version" "-DSOURCE_DIR=$ROOT" "-DBUILD_DIR=$build" \
    "-DTHIRD_PARTY_NSH=$nsh" "-DOUTFILE=$out" "$ROOT/scripts/windows/setup.nsi" >&2 ||
    fail "makensis failed"
[ -f "$out" ] || fail "makensis wrote no $out"
echo "$out"
