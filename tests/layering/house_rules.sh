#!/bin/sh
# house_rules.sh SRC: what only the platform layer may do. Outside src/platform no source names
# the system (_WIN32), starts or ends a program by itself (wxExecute, wxKill, wxProcess::Kill),
# makes raw socket calls, or converts text itself (wxConv*, mb_str, wc_str, utf8_str,
# FromUTF8, From8BitData and the like): each has one home there. Within it, text is converted
# only by the one pair (platform/LocaleText*); the per-OS files may still hand a path to a
# system call as the toolkit gives it (wc_str, fn_str). Comment lines do not count. Prints every
# breach and fails when there is one.
src=${1:?usage: house_rules.sh SRC}
convert='\bwxConv[A-Za-z]*\b|\b(mb_str|utf8_str|utf8_string|FromUTF8|FromUTF8Unchecked|ToUTF8|From8BitData|To8BitData|ToStdString|ToStdWstring|FromAscii|ToAscii)\b'
pattern="$convert"'|\b_WIN32\b|\bwxExecute\b|\bwxKill\b|wxProcess::Kill|\b(wc_str|fn_str)\b'
pattern="$pattern"'|(^|[^_.>:A-Za-z0-9]|(^|[^_A-Za-z0-9])::)(socket|connect|accept|bind|listen|recv|send|setsockopt|getsockopt|closesocket|shutdown|select|poll|WSAPoll|ioctlsocket|getaddrinfo)[[:space:]]*\('
sources() { grep -rnE "$1" "$src" --include='*.cpp' --include='*.h' --include='*.in' |
    grep -vE '^[^:]+:[0-9]+:[[:space:]]*(//|\*)'; }
found=$(sources "$pattern" | grep -v "^$src/platform/")
converted=$(sources "$convert" | grep "^$src/platform/" | grep -v "^$src/platform/LocaleText")
if [ -n "$found" ]; then
    echo "Only src/platform may do these:"
    echo "$found"
fi
if [ -n "$converted" ]; then
    echo "Only the text pair (src/platform/LocaleText*) converts text:"
    echo "$converted"
fi
[ -z "$found$converted" ] || exit 1
echo "house rules hold"
