#!/usr/bin/env bash
# Sending a message with a 20 MB attachment to a local sink server: snaprio
# --mail against curl with a message file of the same size, in one run.
# The sink is Postfix's smtp-sink, taken out of the Debian package without
# installing a mail server.  usage: bench/mail_send.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
peers=$build/peers
work=$(mktemp -d)
trap 'kill $sink 2>/dev/null || true; rm -rf "$work"' EXIT

if [ ! -x "$peers/postfix/usr/sbin/smtp-sink" ]; then
  mkdir -p "$peers" && (cd "$peers" && apt-get download postfix >/dev/null && dpkg-deb -x postfix_*.deb postfix)
fi
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
LD_LIBRARY_PATH=$peers/postfix/usr/lib/postfix "$peers/postfix/usr/sbin/smtp-sink" -u nobody "127.0.0.1:$port" 100 &
sink=$!
sleep 0.5

head -c $((20 << 20)) /dev/urandom >"$work/capture.gif"
printf '[EMail]\nSMTP Host=127.0.0.1:%s\nEMail Address=ann@example.org\n' "$port" >"$work/SNAPRO.INI"
# The same size of message for curl: headers, then the base64 lines of the file.
{ printf 'From: ann@example.org\r\nTo: bob@example.net\r\nSubject: x\r\n\r\n'
  base64 -w 76 "$work/capture.gif" | sed 's/$/\r/'; } >"$work/message.eml"

ms() { # wall time of one run of the command, in tenths of a millisecond
  local t0 t1; t0=$(date +%s%N); "$@" >/dev/null; t1=$(date +%s%N)
  echo $(( (t1 - t0) / 100000 ))
}
# Alternating runs, so that both meet the same moments of a shared machine:
# the best of each, and the median of the eleven pairs' ratios.
ours=() curls=() ratios=()
for _ in $(seq 11); do
  o=$(SNAPRIO_INI="$work/SNAPRO.INI" ms "$build/snaprio" --mail bob@example.net "$work/capture.gif")
  c=$(ms curl -s "smtp://127.0.0.1:$port" --mail-from ann@example.org --mail-rcpt bob@example.net -T "$work/message.eml")
  ours+=("$o") curls+=("$c") ratios+=("$(echo "scale=3; $o / $c" | bc)")
done
best() { printf '%s\n' "$@" | sort -n | head -1 | awk '{printf "%.1f", $1 / 10}'; }
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR] = $1} END {printf "%.2f", a[int((NR + 1) / 2)]}'; }
echo "20 MB attachment to smtp-sink: snaprio --mail best $(best "${ours[@]}") ms, curl best $(best "${curls[@]}") ms; ratio of the bests $(echo "scale=2; $(best "${ours[@]}") / $(best "${curls[@]}")" | bc), median ratio of the pairs $(median "${ratios[@]}")"
# Page faults and peak memory of one run each.
faults() { perf stat -x, -e page-faults "$@" 2>&1 >/dev/null | awk -F, '/page-faults/ {print $1}'; }
peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }
ourcmd=(env SNAPRIO_INI="$work/SNAPRO.INI" "$build/snaprio" --mail bob@example.net "$work/capture.gif")
curlcmd=(curl -s "smtp://127.0.0.1:$port" --mail-from ann@example.org --mail-rcpt bob@example.net -T "$work/message.eml")
if perf stat -e page-faults true >/dev/null 2>&1; then
  echo "page faults: snaprio --mail $(faults "${ourcmd[@]}"), curl $(faults "${curlcmd[@]}")"
fi
echo "peak RSS: snaprio --mail $(peak "${ourcmd[@]}") KB, curl $(peak "${curlcmd[@]}") KB"
"$build/bench/bench_mail" --send "$port"
