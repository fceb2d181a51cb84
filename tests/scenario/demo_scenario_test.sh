#!/usr/bin/env bash
# The demo instance of scripts/run against its scenario in docs/examples: it passes; with one
# wrong expectation it fails with exit code 1 and says what was seen instead.
# Usage: demo_scenario_test.sh SOURCE_DIR BIN_DIR
set -euo pipefail
ROOT=$1
BIN=$2
SCENARIO=$ROOT/docs/examples/demo.scenario
DEMO_DIR=$(mktemp -d "${TMPDIR:-/tmp}/orvapanel-scenario.XXXXXX")
source "$ROOT/scripts/demo-lib.sh"
trap 'cleanup; rm -rf "$DEMO_DIR"' EXIT
PORT=1  # the run starts a test server of its own and points the instance at it
demo_write_instance > /dev/null
cp "$FOLDER/demo_conf.cnf" "$DEMO_DIR/conf.before"

fail() { echo "FAILED: $*" >&2; exit 1; }
# Runs scenario $1 with its report in $2 (shown too); CODE is its exit code.
run_scenario() {
    set +e
    "$BIN/orvapanel-headless" --scenario "$1" > "$2" 2>&1
    CODE=$?
    set -e
    cat "$2"
}

run_scenario "$SCENARIO" "$DEMO_DIR/pass.tap"
[ "$CODE" -eq 0 ] || fail "the demo scenario ended with exit code $CODE"
grep -q '^not ok' "$DEMO_DIR/pass.tap" && fail "a step failed"
tail -n 1 "$DEMO_DIR/pass.tap" | grep -qx '1\.\.23' || fail "not every step ran"
cmp -s "$FOLDER/demo_conf.cnf" "$DEMO_DIR/conf.before" || fail "the instance's configuration changed"

# The lamp expected on output 31 instead of 30.
sed 's/^expect output 30 1 within 500$/expect output 31 1 within 500/' "$SCENARIO" \
    > "$DEMO_DIR/demo.scenario"
grep -q '^expect output 31 1' "$DEMO_DIR/demo.scenario" || fail "the wrong expectation was not made"
run_scenario "$DEMO_DIR/demo.scenario" "$DEMO_DIR/fail.tap"
[ "$CODE" -eq 1 ] || fail "the wrong expectation ended with exit code $CODE, not 1"
grep -qx 'not ok 8 - expect output 31 1 within 500 (output 31 is 0)' "$DEMO_DIR/fail.tap" ||
    fail "the failure does not say what was seen"
[ "$(grep -c '^not ok' "$DEMO_DIR/fail.tap")" -eq 1 ] || fail "more than the one step failed"
echo "demo scenario: passes, and fails at the wrong expectation"
