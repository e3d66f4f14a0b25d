#!/bin/sh
# house_rules.sh SRC: what only the platform layer may do. Outside src/platform no source names
# the system (_WIN32), starts or ends a program by itself (wxExecute, wxKill, wxProcess::Kill),
# makes raw socket calls, or converts text itself (wxConv*, mb_str): each has one home there.
# Comment lines do not count. Prints every breach and fails when there is one.
src=${1:?usage: house_rules.sh SRC}
pattern='\b_WIN32\b|\bwxExecute\b|\bwxKill\b|wxProcess::Kill|\bwxConv[A-Za-z]*\b|\bmb_str\b'
pattern="$pattern"'|(^|[^_.>:A-Za-z0-9]|(^|[^_A-Za-z0-9])::)(socket|connect|accept|bind|listen|recv|send|setsockopt|getsockopt|closesocket|shutdown|select|poll|WSAPoll|ioctlsocket|getaddrinfo)[[:space:]]*\('
found=$(grep -rnE "$pattern" "$src" --include='*.cpp' --include='*.h' --include='*.in' |
    grep -v "^$src/platform/" | grep -vE '^[^:]+:[0-9]+:[[:space:]]*(//|\*)')
if [ -n "$found" ]; then
    echo "Only src/platform may do these:"
    echo "$found"
    exit 1
fi
echo "house rules hold"
