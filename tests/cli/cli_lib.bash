# Shared by the tests/cli/*.sh tests that count their failures, sourced with the test's own
# arguments (STAGE FIXTURES). Sets cli, tmp (a folder removed at exit), failures and fail.
cli=$1/meridiana-cli
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
