#!/bin/sh
# Makes patches.dat, the instruments the library's software synth plays our
# tunes with, from Debian's freepats: its timidity-style index is turned into
# the GUS index pat2dat reads (programs counted from 1; the drum kit between
# "129 begin_multipatch" and "end_multipatch"), then pat2dat keeps only the
# instruments the three tunes use. The grand piano is left out: pat2dat
# always keeps program 1, our tunes never play it, and it is the largest.
#   make-patches.sh PAT2DAT OUTPUT TUNE.mid...
set -eu
pat2dat=$1
out=$2
shift 2
index=/etc/timidity/freepats.cfg
[ -r "$index" ] || { echo "make-patches: $index not found (install freepats)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
patches=$(sed -n 's/^dir[[:space:]]*//p' "$index" | head -n 1)

awk -v dir="$patches" -v work="$work" '
  /^[[:space:]]*#/ || NF == 0 { next }
  $1 == "drumset" { section = "drums"; print "129 begin_multipatch" > (work "/default.cfg"); next }
  $1 == "bank" { if (section == "drums") print "end_multipatch" > (work "/default.cfg"); section = "bank"; next }
  $1 ~ /^[0-9]+$/ && section != "" {
    name = $2; sub(/\.pat$/, "", name); gsub(/\//, "_", name)
    system("ln -sf \"" dir "/" $2 "\" \"" work "/" name ".pat\"")
    if (section == "drums") print $1, name > (work "/default.cfg")
    else if ($1 != 0) print $1 + 1, name > (work "/default.cfg")
  }
' "$index"

tunes=""
for t in "$@"; do tunes="$tunes $(cd "$(dirname "$t")" && pwd)/$(basename "$t")"; done
"$pat2dat" -o -c "$work/patches.dat" "$work/default.cfg" $tunes >/dev/null
mv "$work/patches.dat" "$out"
