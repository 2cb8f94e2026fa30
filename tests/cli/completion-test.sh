#!/usr/bin/env bash
# vexo-cli's bash completion: what it offers for a table of partly typed command lines.
set -u
source "$1"
failed=0
check() {
  local line=$1 want=$2
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _vexo_cli
  if [ "${COMPREPLY[*]}" != "$want" ]; then
    echo "'$line' offers '${COMPREPLY[*]}', not '$want'"
    failed=1
  fi
}
check "vexo-cli " "list info read format measure clock --demo --port --ftdi --baud --style --language --trace --help --version"
check "vexo-cli --demo in" "info"
check "vexo-cli --port /dev/ttyUSB0 cl" "clock"
check "vexo-cli info --j" "--json"
check "vexo-cli measure --ti" "--timer"
check "vexo-cli measure --out m.tsv --st" "--stored --style"
check "vexo-cli read --style h" "halvorn"
check "vexo-cli clock --set n" "now"
check "vexo-cli format --y" "--yes"
check "vexo-cli read --j" ""
exit $failed
