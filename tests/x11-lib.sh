# Helpers for the tests that play the real program in a real window: a
# private Xvfb, key presses that last long enough to be seen, screenshots
# and colour counts. Sourced by e2e.sh and sound.sh.

IM=/usr/bin/convert
[ -x "$IM" ] || IM=convert
failures=0
passed=0

start_xvfb() {
  local fdfile=$scratch/display
  Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset 3>"$fdfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$fdfile" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$fdfile")"
}

# Sends the game's sound into $capture through ALSA (no sound card needed),
# with the software synth for the music: an allegro.cfg in a folder of its
# own, named by ALLEGRO. With an argument, that patches.dat; without, the
# game has to find its own.
capture_sound() {
  capture=$scratch/capture.raw
  mkdir -p "$scratch/cfg"
  {
    printf '[sound]\ndigi_card = ALSA\nmidi_card = DIGI\nalsa_fragsize = 441\n'
    printf 'alsa_device = file:FILE=%s,FORMAT=raw\n' "$capture"
    [ $# -gt 0 ] && printf 'patches = %s\n' "$1"
  } >"$scratch/cfg/allegro.cfg"
  export ALLEGRO=$scratch/cfg HOME=$scratch/cfg
}

# level FROM LENGTH: the RMS level in dB of that stretch of the capture
# (-200 for digital silence).
level() {
  local v
  v=$(sox -t raw -r 44100 -e unsigned -b 16 -c 2 -L "$capture" -n trim "$1" "$2" stats 2>&1 |
      awk '/RMS lev dB/ {print $4}')
  case "$v" in ""|-inf) echo -200 ;; *) echo "$v" ;; esac
}
loud() { local l; l=$(level "$1" "$2"); echo "     $3: $l dB"; [ "$(echo "$l > -50" | bc -l)" -eq 1 ]; }
quiet() { local l; l=$(level "$1" "$2"); echo "     $3: $l dB"; [ "$(echo "$l < -70" | bc -l)" -eq 1 ]; }

# Starts the game in the background (from the folder that holds data/).
start_game() {
  (cd "$game_dir" && exec ${game_wrapper:-} "$game" >"$scratch/game.out" 2>&1) &
  game_pid=$!
  t0=$(date +%s.%N)
  wid=""
  for _ in $(seq 100); do
    wid=$(xdotool search --class Rallyton 2>/dev/null | head -n 1)
    [ -n "$wid" ] && break
    sleep 0.05
  done
  [ -n "$wid" ] || { failures=$((failures + 1)); echo "FAIL: no window"; exit 1; }
  echo "     window up $(printf %.3f "$(now)") s after start"
}

# Sleeps until T seconds after the game started.
at() { local d; d=$(echo "$1 - ($(date +%s.%N) - $t0)" | bc -l); case "$d" in -*) ;; *) sleep "$d" ;; esac; }
now() { echo "$(date +%s.%N) - $t0" | bc -l; }

press() {
  xdotool windowfocus --sync "$wid" 2>/dev/null
  xdotool keydown "$1"
  sleep 0.1
  xdotool keyup "$1"
  sleep 0.1
}

shot() { import -window "$wid" "$scratch/$1.png"; }

# count SHOT X Y W H RRGGBB: pixels of exactly that colour in the box.
count() {
  "$IM" "$scratch/$1.png" -crop "$4x$5+$2+$3" +repage -depth 8 txt:- | grep -ci "#$6"
}

# check NAME CONDITION...: one numbered check.
check() {
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1)); echo "ok   $name"
  else
    failures=$((failures + 1)); echo "FAIL $name"
  fi
}
gt() { [ "$1" -gt "$2" ]; }
eq() { [ "$1" -eq "$2" ]; }

# Waits up to N seconds for the game to end; sets game_status (999: it
# did not end and was killed).
wait_game() {
  local n=$1
  for _ in $(seq $((n * 10))); do
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$game_pid" 2>/dev/null; then
    kill -9 "$game_pid"
    game_status=999
  else
    wait "$game_pid"
    game_status=$?
  fi
  game_pid=""
}

# mean SHOT: the mean brightness of a screenshot, 0 to 1000.
mean() { "$IM" "$scratch/$1.png" -colorspace Gray -format "%[fx:int(1000*mean)]" info:; }

# differing SHOT IMAGE: how many pixels differ.
differing() { compare -metric AE "$scratch/$1.png" "$2" null: 2>&1; }

# The EXIT trap of every script that sources this: stops what it started,
# removes the scratch folder (unless KEEP is set) and fails the script if a
# check failed or the script itself stopped on an error.
finish() {
  local status=$?
  [ -n "${game_pid:-}" ] && kill -9 "$game_pid" 2>/dev/null
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "${KEEP:-}" ] || rm -rf "$scratch"
  echo "$passed passed, $failures failed"
  [ "$status" -eq 0 ] && [ "$failures" -eq 0 ] && exit 0
  exit 1
}
