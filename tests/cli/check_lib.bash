# Shared by the tests/cli/*_cli.sh tests that compare fields, sourced with the test's own
# arguments (STAGE FIXTURES). Sets cli and fail (0, 1 after a failed check), check and field.
cli="$1/meridiana-cli"
fail=0

check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1: expected '$2', got '$3'"
    fail=1
  fi
}
field() { sed -n "s/^$1=//p" <<<"$2"; }
