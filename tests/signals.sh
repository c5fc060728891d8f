#!/bin/bash
# Signals end the real program cleanly. SIGINT, SIGTERM, SIGHUP and SIGQUIT,
# sent in the intro or a rally, end the game with status 128 + the signal's
# number, which it exits with itself (a signal that simply killed it would
# show the same status to a shell; perl's system(), with the status waitpid
# gives, tells the two apart): no crash, no abort, and not the library's own
# handler ("Shutting down Allegro due to signal"). Started as a script's
# background job, which leaves SIGINT and SIGQUIT ignored, those two stay
# ignored and SIGTERM or SIGHUP still ends the game cleanly. A rally
# stopped and continued again and again keeps its window; a display that
# goes ends the game in one line. The cases run side by side, each game on
# a display of its own. (The close button's clean end, status 0: e2e.sh.)
#   signals.sh GAME
. "$(dirname "$0")/x11-lib.sh"
# exit-how FILE PROGRAM...: runs the program and writes how it ended.
exit_how=$scratch/exit-how.pl
echo 'system { $ARGV[1] } @ARGV[1 .. $#ARGV]; open(my $f, ">", $ARGV[0]) or die;
  print $f ($? & 127 ? "killed by " . ($? & 127) : "exited " . ($? >> 8)), "\n";' >"$exit_how"
results=$scratch/results && mkdir -p "$results"

# one_case NAME HOW STATE SIGNAL [LATER]: HOW is "default" (every signal at
# its default, as a shell starts a program) or "background" (SIGINT and
# SIGQUIT ignored, as a script's `game &` has them). STATE is the intro, a
# rally, or a rally stopped and continued 20 times first (stops of 0.05 to
# 1.2 s, some longer than the half second a stall is), which the game must
# live through. With LATER, SIGNAL must be ignored and LATER must end the
# game. SIGNAL "display" kills the X server instead: one line and status 1
# (no hang in the library's clean-up, no abort). Writes its verdict to a file.
one_case() {
  local name=$1 sig=$4 later=${5:-} why="" child want="exited 1"
  scratch=$scratch/$name && mkdir -p "$scratch"
  trap 'kill "$xvfb_pid" 2>/dev/null' EXIT
  start_xvfb
  local how=--default-signal && [ "$2" = background ] && how=--ignore-signal=INT,QUIT
  game_wrapper="env $how perl $exit_how $scratch/how" start_game --power-save && at 3.0
  # unless in the intro: the title at rest, then into a match, and a rally seen
  [ "$3" = intro ] || { title_shown title && press Return && press Return && rally || why="; it never reached a rally"; }
  child=$(pgrep -P "$game_pid")  # the game, under perl
  for i in $([ "$3" = stopped ] && seq 20); do
    kill -STOP "$child" && sleep "$(echo "0.05 + ($RANDOM % 116) / 100" | bc -l)" && kill -CONT "$child" && sleep 0.3
    kill -0 "$child" 2>/dev/null || { why="; it died after stop $i" && break; }
  done
  if [ "$sig" = display ]; then kill "$xvfb_pid"; else kill -s "$sig" "$child"; fi
  [ -n "$later" ] && { sleep 1 && kill -0 "$child" || why="$why; the ignored $sig ended it"; }
  [ -n "$later" ] && kill -s "$later" "$child" && sig=$later
  [ "$sig" = display ] || want="exited $((128 + $(kill -l "$sig")))"
  wait_game 10
  [ "$(cat "$scratch/how")" = "$want" ] || why="$why; $(cat "$scratch/how"), not $want"
  grep -q "Shutting down Allegro" "$scratch/game.out" && why="$why; the library's handler ran"
  said=$(grep -v "no sound" "$scratch/game.out")
  [ "$said" = "$([ "$sig" = display ] && echo "rallyton: lost the connection to the display")" ] || why="$why; it said: $said"
  echo "$([ -z "$why" ] && echo "ok  " || echo FAIL) $name: $(cat "$scratch/how")$why" >"$results/$name"
}

ulimit -c 0
cases=("intro-hup default intro HUP" "intro-quit default intro QUIT" "rally-int default rally INT"
  "background-rally-int background rally INT TERM" "background-intro-quit background intro QUIT HUP"
  "stopped-term default stopped TERM" "display-gone default rally display")
for c in "${cases[@]}"; do one_case $c & done; wait  # side by side, each on a display of its own
for c in "${cases[@]}"; do
  line=$(cat "$results/${c%% *}" 2>/dev/null || echo "FAIL ${c%% *}: no verdict") && echo "$line"
  case $line in ok*) passed=$((passed + 1)) ;; *) failures=$((failures + 1)) ;; esac
done
