# The shared part of the scripts that run the real program: a scratch
# folder, a private Xvfb, the game in its window, key presses long enough to
# be seen, screenshots, colour counts, sound captured to a file, numbered
# checks, and a closing line that counts them. Sourcing it sets all this up.
set -u
# The game (unless the script named it) is its first argument.
game=${game:-${1:-}} game_dir=${game_dir:-$(dirname "${game:-.}")}
scratch=$(mktemp -d) failures=0 passed=0 xvfbs=() games=()

# The closing line, and a failure status when a check failed or the script
# stopped on an error. Also stops what the script started.
finish() {
  local status=$?
  kill -9 ${game_pid:-} "${games[@]}" 2>/dev/null
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null && wineserver -w
  kill ${xvfb_pid:-} "${xvfbs[@]}" 2>/dev/null
  [ -n "${KEEP:-}" ] || rm -rf "$scratch"
  echo "$passed passed, $failures failed"
  exit $((status != 0 || failures != 0))
}
trap finish EXIT

# check NAME COMMAND...: one check, passed when the command succeeds.
check() { if "${@:2}"; then passed=$((passed + 1)) && echo "ok   $1"; else failures=$((failures + 1)) && echo "FAIL $1"; fi; }
gt() { [ "$1" -gt "$2" ]; }
eq() { [ "$1" -eq "$2" ]; }

start_xvfb() {  # [WxH], by default 640x480
  local number=$(mktemp -p "$scratch" display.XXXX)  # a file of its own: another Xvfb's number is not this one's
  Xvfb -displayfd 3 -screen 0 "${1:-640x480}x24" -nolisten tcp -noreset 3>"$number" >/dev/null 2>&1 & xvfb_pid=$!
  for _ in $(seq 200); do [ -s "$number" ] && break; sleep 0.1; done  # a busy machine takes its time
  export DISPLAY=":$(cat "$number")"
}

# Starts $game in $game_dir (through $game_wrapper, if set; what it prints
# into $game_out) and finds its window (by $window_match, within
# $window_wait twentieths of a second, by default 20 s on a busy machine):
# game_pid and wid. Its input: $game_input, else nothing.
start_game() {  # [ARGUMENTS...]
  (cd "$game_dir" && exec ${game_wrapper:-} "$game" "$@" <"${game_input:-/dev/null}" >"${game_out:-$scratch/game.out}" 2>&1) &
  game_pid=$! t0=$(date +%s.%N)
  for _ in $(seq "${window_wait:-400}"); do
    wid=$(xdotool search ${window_match:---class Rallyton} 2>/dev/null | head -n 1) && [ -n "$wid" ] && return
    sleep 0.05
  done
  echo "FAIL the game opened no window" && failures=$((failures + 1)) && exit 1
}

# player NAME [ARGUMENTS...]: one of several games at once, each on a display
# of its own (or on $player_display), started by start_game, logging its
# ticks into $scratch/NAME.ticks and what it says into $scratch/NAME.out;
# sets NAME_pid and NAME_display and NAME_wid. on NAME: the display and the
# window that press, hold and shot then use.
player() {
  local name=$1 log=$scratch/$1.ticks first=${xvfb_pid:-}
  shift
  if [ -n "${player_display:-}" ]; then DISPLAY=$player_display; else
    start_xvfb "${player_size:-}" && xvfbs+=("$xvfb_pid") && xvfb_pid=$first
  fi
  [ "${game_wrapper:-}" = wine ] && log=$(wine_path "$log")
  game_wrapper="env RALLYTON_TICK_LOG=$log ${game_wrapper:-}" game_out=$scratch/$name.out start_game "$@"
  eval "${name}_pid=$game_pid ${name}_display=$DISPLAY ${name}_wid=$wid" && games+=("$game_pid")
}
wine_path() { echo "Z:${1//\//\\}"; }  # a file's name for a program under Wine
stop() { local p n; for n; do p=${n}_pid && kill -9 "${!p}" 2>/dev/null; wait "${!p}" 2>/dev/null; done; }  # NAME...
on() { local d=${1}_display w=${1}_wid && DISPLAY=${!d} && wid=${!w}; }
said() { tr -d '\r' <"$scratch/$1.out" | grep -qFx "rallyton: $2"; }  # (Wine ends its lines with CR LF)
# agree N A B: the tick logs of A and B (players or spectators) share more
# than N ticks (waiting up to 30 s for them), each with the same digest. A
# line still being written (its digest short of 16 digits) is not yet a tick.
# (The digests compare as text: one of only decimal digits is no number.)
agree() {
  local n=0 out="0 0"
  for _ in $(seq 300); do
    out=$(awk 'NR == FNR { if (length($2) == 16) d[$1] = $2; next }
      length($2) == 16 && ($1 in d) { n++; bad += d[$1] != $2 "" } END { print n + 0, bad + 0 }' "$scratch/$2.ticks" "$scratch/$3.ticks" 2>/dev/null)
    n=${out% *} && [ "${n:-0}" -gt "$1" ] && break
    sleep 0.1
  done
  echo "     ${n:-0} ticks in common" && [ "${n:-0}" -gt "$1" ] && [ "${out#* }" = 0 ]
}

# free_ports FROM SPAN [N]: a port between FROM and FROM + SPAN whose N
# (3) neighbours from it on are free for UDP on this machine: port.
free_ports() {
  local p k taken
  for _ in $(seq 100); do
    p=$(($1 + RANDOM % $2)) taken=""
    for k in $(seq 0 $((${3:-3} - 1))); do [ -n "$(ss -Huan "sport = :$((p + k))")" ] && taken=1; done
    [ -z "$taken" ] && port=$p && return
  done
  echo "FAIL no free ports between $1 and $(($1 + $2))" && failures=$((failures + 1)) && exit 1
}

# together COMMAND...: runs the commands (strings) side by side, and waits for them.
together() { local pids=() c; for c; do eval "$c" & pids+=($!); done; wait "${pids[@]}"; }

now() { echo "$(date +%s.%N) - $t0" | bc -l; }
at() { sleep "$(echo "d = $1 - ($(date +%s.%N) - $t0); if (d < 0) 0 else d" | bc -l)"; }  # T s after the start (T may be a sum)
press() { xdotool windowfocus --sync "$wid" keydown "$1" sleep 0.1 keyup "$1" sleep 0.1; }
hold() { xdotool windowfocus --sync "$wid" keydown "$1" sleep "$2" keyup "$1"; }  # KEY SECONDS
shot() { import -window "$wid" "$scratch/$1.png" 2>/dev/null; }
# count SHOT X Y W H RRGGBB: the pixels of exactly that colour in the box.
count() { /usr/bin/convert "$scratch/$1.png" -crop "$4x$5+$2+$3" +repage -depth 8 txt:- | grep -ci "#$6"; }
# more SHOT X Y W H RRGGBB N: more than N pixels of that colour in the box.
more() { gt "$(count "$1" "$2" "$3" "$4" "$5" "$6")" "$7"; }
# seen SHOT COMMAND...: takes the shot again until COMMAND holds ($patience,
# 20 s, at most).
seen() {
  local end=$(($(date +%s) + ${patience:-20}))
  while [ "$(date +%s)" -lt "$end" ]; do shot "$1" && "${@:2}" && return; sleep 0.1; done
  return 1
}
# same SHOT FILE: the shot is that picture, pixel for pixel.
same() { [ "$(compare -metric AE "$scratch/$1.png" "$2" null: 2>&1)" = 0 ]; }
rally() { seen rally more rally 70 90 40 28 0F0F0F 20; }  # waits for the dark scores of a rally
# What the game shows, in the shot named: the title in its colour at rest,
# the serve countdown's white scores, PAUSED (or none), the left paddle at
# the top. title_shown and serving wait for theirs.
title_shown() { seen "$1" more "$1" 75 84 160 28 DCDCDC 50; }
serving() { seen "$1" more "$1" 70 90 40 28 FFFFFF 20; }
waiting_shown() { seen "$1" more "$1" 48 98 224 50 C8C8C8 150; }  # the waiting screen's panel and its lines
paused() { more "$1" 87 90 130 28 BEBEBE 40; }
not_paused() { eq "$(count "$1" 87 90 130 28 BEBEBE)" 0; }
# at_top SHOT [right]: the left (red) or the right (yellow) paddle at the top.
at_top() {
  local x=10 colour='#[C-F].[0-5].[0-5]'
  [ "${2:-}" = right ] && x=295 colour='#[C-E].[9-B].[2-4].'
  gt "$(/usr/bin/convert "$scratch/$1.png" -crop 10x30+$x+0 +repage -depth 8 txt:- | grep -c -E "$colour")" 50
}

# ends STATUS SAID COMMAND...: the command, run in $game_dir, ends with that
# status, having said all of SAID (a pattern; CRs aside).
ends() {
  local out status
  out=$(cd "$game_dir" && "${@:3}" 2>&1)
  status=$? out=${out//$'\r'/}
  echo "     status $status: $out" && [ "$status" -eq "$1" ] && [[ $out == $2 ]]
}

# another_window GEOMETRY: a window of another program over the game's,
# shown (its window id in $other_wid, its process in $other_pid).
another_window() {
  xmessage -geometry "$1" elsewhere 2>/dev/null & other_pid=$!
  for _ in $(seq 100); do other_wid=$(xdotool search --name '^xmessage$' | head -n 1) && [ -n "$other_wid" ] && break; sleep 0.1; done
}

# wait_game N [PID]: waits up to N seconds for the game (or PID) to end,
# then kills it; sets game_status (137 when it had to be killed).
wait_game() {
  local pid=${2:-$game_pid}
  for _ in $(seq $(($1 * 10))); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null; wait "$pid"; game_status=$?
}

# Sends the game's sound through ALSA into $capture (no sound card needed)
# with the software synth for the music; with an argument, that patches.dat.
capture_sound() {
  capture=$scratch/capture.raw && mkdir -p "$scratch/cfg"
  printf '[sound]\ndigi_card = ALSA\nmidi_card = DIGI\nalsa_fragsize = 441\nalsa_device = file:FILE=%s,FORMAT=raw\n%s' \
    "$capture" "${1:+patches = $1}" >"$scratch/cfg/allegro.cfg"
  export ALLEGRO=$scratch/cfg HOME=$scratch/cfg
}
# level FROM LENGTH, peak FROM [LENGTH]: the RMS or peak level in dB of that
# stretch (-200: silence).
sound_stat() {
  sox -t raw -r 44100 -e unsigned -b 16 -c 2 -L "$capture" -n trim "$2" ${3:-} stats 2>&1 |
    awk -v what="$1" '$0 ~ what { print ($4 == "-inf" ? -200 : $4); f = 1 } END { if (!f) print -200 }'
}
level() { sound_stat "RMS lev dB" "$@"; }
# onset FROM: the time of the first sound after FROM.
onset() {
  local raw="sox -t raw -r 44100 -e unsigned -b 16 -c 2 -L $capture"
  echo "$1 + $($raw -n trim "$1" stat 2>&1 | awk '/^Length/ {print $3}') - \
    $($raw -n trim "$1" silence 1 0.002 -50d stat 2>&1 | awk '/^Length/ {print $3}')" | bc
}
peak() { sound_stat "Pk lev dB" "$@"; }
loud() { local l; l=$(level "$1" "$2") && echo "     $3: $l dB" && [ "$(echo "$l > -50" | bc)" -eq 1 ]; }
quiet() { local l; l=$(level "$1" "$2") && echo "     $3: $l dB" && [ "$(echo "$l < -70" | bc)" -eq 1 ]; }

