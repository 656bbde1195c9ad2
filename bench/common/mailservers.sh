# Sourced by the benchmark scripts: loopback mail servers of their own in a temporary folder,
# stopped again (and the folder removed) when the script ends. Sets work (the folder) and env
# (the servers.env to hand to the benchmark programs), and exports what servers.env says.
#   start_bench_servers USER...
bench_mailservers=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts/mailservers" && pwd)

start_bench_servers() {
  work=$(mktemp -d)
  chmod 755 "$work"  # Dovecot's unprivileged processes must reach the servers below it
  trap '"$bench_mailservers/stop.sh" "$work/servers"; rm -rf "$work"' EXIT
  "$bench_mailservers/start.sh" "$work/servers" "$@" >/dev/null
  env=$work/servers/servers.env
  . "$env"
}
