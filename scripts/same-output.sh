#!/usr/bin/env bash
# Compares two builds of the program on a folder of pages: every page under
# every option set of a fixed list, in the three encodings, through the modern
# form (one run per option set and encoding) and the classic form (the saved
# options). Prints the first differences and exits 1 when any output or exit
# status differs, 0 when all are byte-identical. For a change that must not
# change what users get (a refactoring, a faster kernel).
# Usage: scripts/same-output.sh OLD_PROGRAM NEW_PROGRAM PAGES_FOLDER
set -euo pipefail
old="$1" new="$2" pages="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
flags=(remove-comments remove-scripts remove-styles remove-functions remove-pipe remove-tabs
       generate-special-chars remove-all-tags remove-all-crlf remove-spaces remove-blank-lines
       decode-all-references)
# The option sets: none, all classic, each flag alone, all classic but one,
# 24 fixed pseudo-random masks over all twelve, and readable text in its
# three link modes.
sets=("--none" "--all" "--readable" "--readable --links=inline" "--readable --links=list --width 72")
for f in "${flags[@]}"; do sets+=("--none --$f" "--all --no-$f"); done
mask=12345
for _ in $(seq 24); do
  mask=$(( (mask * 1103515245 + 12345) % 2147483648 ))
  s="--none"
  for i in "${!flags[@]}"; do (( (mask >> (i + 7)) & 1 )) && s+=" --${flags[$i]}"; done
  sets+=("$s")
done
mapfile -t files < <(find "$pages" -maxdepth 1 -type f \( -name '*.html' -o -name '*.htm' \) | sort)
run() {  # program out-folder encoding set...
  local program="$1" out="$2" encoding="$3"; shift 3
  mkdir -p "$out"
  set +e
  XDG_CONFIG_HOME="$work/config" "$program" -q -j 1 --encoding "$encoding" "$@" -d "$out" "${files[@]}" 2>"$out.err"
  echo "status $?" >>"$out.err"
  set -e
}
differ=0
n=0
for encoding in windows-1252 utf-8 auto; do
  for s in "${sets[@]}"; do
    n=$((n + 1))
    # shellcheck disable=SC2086
    run "$old" "$work/old/$n" "$encoding" $s
    # shellcheck disable=SC2086
    run "$new" "$work/new/$n" "$encoding" $s
    if ! diff -r -q "$work/old/$n" "$work/new/$n" >/dev/null || ! cmp -s "$work/old/$n.err" "$work/new/$n.err"; then
      echo "differs: --encoding $encoding $s"
      diff -r -q "$work/old/$n" "$work/new/$n" | head -3 || true
      differ=1
    fi
    rm -rf "$work/old/$n" "$work/new/$n"
  done
done
# The classic form: with no settings (every classic option on) and a page
# converted one at a time.
for f in "${files[@]:0:20}"; do
  for program in old new; do
    p="$old"; [ "$program" = new ] && p="$new"
    set +e
    XDG_CONFIG_HOME="$work/config-$program" "$p" "$f" "$work/classic-$program.txt" 2>"$work/classic-$program.err"
    echo "status $?" >>"$work/classic-$program.err"
    set -e
  done
  if ! cmp -s "$work/classic-old.txt" "$work/classic-new.txt" || ! cmp -s "$work/classic-old.err" "$work/classic-new.err"; then
    echo "differs: classic form on $f"
    differ=1
  fi
done
echo "same-output: $n option sets x ${#files[@]} pages through the modern form, 20 pages through the classic form: $([ $differ = 0 ] && echo identical || echo DIFFERENT)"
exit $differ
