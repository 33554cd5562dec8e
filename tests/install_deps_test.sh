#!/usr/bin/env bash
# tools/install-deps.sh on a machine that lacks a package, as root and as a
# user: stand-ins for dpkg-query (cmake missing), apt-get and sudo record
# what would run. Then shellcheck over every script of the project.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
shims="$(mktemp -d)"
trap 'rm -rf "$shims"' EXIT
log="$shims/log"

cat >"$shims/dpkg-query" <<'SHIM'
#!/bin/sh
for argument; do last=$argument; done
[ "$last" = cmake ] && exit 1
printf 'install ok installed'
SHIM
cat >"$shims/apt-get" <<SHIM
#!/bin/sh
echo "\${AS:-root} apt-get \$*" >>"$log"
SHIM
cat >"$shims/sudo" <<SHIM
#!/bin/sh
[ "\$1" = -E ] && shift
AS=sudo exec "\$@"
SHIM
chmod +x "$shims"/*

for user in 0 1000; do
  printf '#!/bin/sh\n[ "$1" = -u ] && echo %s || exec /usr/bin/id "$@"\n' "$user" >"$shims/id"
  chmod +x "$shims/id"
  : >"$log"
  PATH="$shims:$PATH" bash "$root/tools/install-deps.sh" 2>/dev/null </dev/null
  expected=root
  [ "$user" -ne 0 ] && expected=sudo
  grep -q "^$expected apt-get update" "$log" || { echo "uid $user: no apt-get update"; cat "$log"; exit 1; }
  grep -q "^$expected apt-get install .* cmake$" "$log" || { echo "uid $user: cmake not installed"; cat "$log"; exit 1; }
done
echo "install path ok as root and as a user"

shellcheck -S warning "$root"/tools/*.sh "$root"/tests/*.sh "$root/.ci/run"
echo "shellcheck clean"
