# Checks of a package as a user gets it, shared by scripts/test-install and
# scripts/release; sourced. The caller defines fail MESSAGE (it ends the
# run), $version and $work (a scratch folder).

# The program run with no arguments (after a runner where one is given) shows
# the usage screen, headed by its name and version, and exits 1.
expect_usage() {
  local status=0 first
  "$@" > "$work/usage.txt" 2> "$work/usage-errors.txt" || status=$?
  [ "$status" -eq 1 ] || fail "$* without arguments exited $status, not 1"
  first=$(tr -d '\r' < "$work/usage.txt" | grep -m1 .)
  [ "$first" = "Pipemeter - version $version" ] || fail "$*: the usage screen begins with '$first'"
}

# The C++ runtime is linked in: the C library is all a package needs.
expect_libc6_only() {
  local depends
  depends=$(dpkg-deb -f "$1" Depends)
  [[ "$depends" =~ ^libc6(\ \(\>=\ [0-9.]+\))?$ ]] || fail "$1 depends on '$depends', not on libc6 alone"
}

# Errors and warnings fail; info and pedantic tags are shown only. The
# report stays in $work/lintian.txt.
expect_lintian_clean() {
  local status=0
  lintian --fail-on error,warning --display-info "$1" > "$work/lintian.txt" 2>&1 || status=$?
  grep -v '^running with root privileges' "$work/lintian.txt" || true
  [ "$status" -eq 0 ] || fail "lintian reports errors or warnings on $1"
}

# dpkg -i and dpkg -r of the package would replace and then remove a copy
# the machine has of its own.
refuse_if_installed() {
  if dpkg-query -W -f='${Status}' pipemeter 2>/dev/null | grep -q 'install ok installed'; then
    fail "pipemeter is already installed on this machine; remove it first (dpkg -r pipemeter)"
  fi
}
