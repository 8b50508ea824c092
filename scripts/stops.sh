# Sourced by the scripts that run under set -e, so that none of them ends without a word.
#   kv_stops_loud WHAT   a command that ends the script says so on stderr: which, where, its status.
#                        A step that said its own reason sets KV_STOP_SAID=1 before it fails.
#   kv_at_exit COMMANDS  the clean-up on exit: every command runs, also after one of them failed.

kv_stops_loud() {
  KV_STOPS_WHAT=$1
  set -E
  trap 'kv_stopped $? "$BASH_COMMAND" "${BASH_SOURCE[0]:-}" "$LINENO"' ERR
}

kv_stopped() {
  # Only where set -e ends the script, and once: from the script's own shell, which also sees a
  # subshell's failure as its own.
  [[ $- == *e* ]] && [ "$BASH_SUBSHELL" -eq 0 ] && [ -z "${KV_STOP_SAID:-}" ] || return 0
  KV_STOP_SAID=1
  echo "$KV_STOPS_WHAT: stopped at ${3##*/} line $4: '${2%%$'\n'*}' failed (exit $1)" >&2
}

kv_at_exit() {
  trap "set +e; $1" EXIT
}
