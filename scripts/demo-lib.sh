# Sourced by scripts/run and scripts/screenshots: the demo's private folders, its simulators
# and its instance. Expects ROOT and BIN; sets DEMO_DIR, FOLDER, BOARD_CTL, SERVER_CTL, PORT.

DEMO_DIR=${DEMO_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/orvapanel-demo.XXXXXX")}
mkdir -p "$DEMO_DIR/documents" "$DEMO_DIR/config" "$DEMO_DIR/runtime"
chmod 700 "$DEMO_DIR/runtime"
export XDG_DOCUMENTS_DIR=$DEMO_DIR/documents XDG_CONFIG_HOME=$DEMO_DIR/config
export XDG_RUNTIME_DIR=$DEMO_DIR/runtime ORVA_WEB_HOST=
FOLDER=$DEMO_DIR/documents/Tessel.Works/OrvaPanel
mkdir -p "$FOLDER"

PIDS=()
cleanup() {
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

say() { printf '\n== %s\n' "$*"; }
# The value after "key" in the first line of a simulator's log that has it.
ready_field() {
    local log=$1 pattern=$2
    for _ in $(seq 100); do
        if grep -q ready "$log" 2>/dev/null; then
            grep ready "$log" | head -n 1 | sed -E "s/.*$pattern.*/\\1/"
            return
        fi
        sleep 0.05
    done
    echo "a simulator did not start: $(cat "$log")" >&2
    exit 1
}
board() { "$BIN/orvasim" ctl "$BOARD_CTL" "$@"; }
server() { "$BIN/orvasim" ctl "$SERVER_CTL" "$@"; }
show_new() {  # the lines a log gained since the last look
    local log=$1 prefix=$2 seen_var=$3
    local seen=${!seen_var}
    local total
    total=$(wc -l < "$log")
    if [ "$total" -gt "$seen" ]; then tail -n +"$((seen + 1))" "$log" | sed "s/^/  $prefix /"; fi
    printf -v "$seen_var" '%s' "$total"
}

# demo_start_simulators [extra board arguments]
demo_start_simulators() {
    say "Starting a simulated main board (serial ORVA-12345) and an IOCP test server (alias P3D)"
    # Input card ADDR 0 (the switch 20), output card ADDR 5 (the lamp 30), displays on ADDR 15.
    "$BIN/orvasim" board --serial ORVA-12345 --kind main --ext 0,5,15 "$@" < /dev/null \
        > "$DEMO_DIR/board.log" 2>&1 &
    PIDS+=($!)
    "$BIN/orvasim" iocp --port 0 --alias P3D --keepalive 0 < /dev/null > "$DEMO_DIR/server.log" 2>&1 &
    PIDS+=($!)
    BOARD_CTL=$(ready_field "$DEMO_DIR/board.log" 'control socket ([^ ]+)')
    SERVER_CTL=$(ready_field "$DEMO_DIR/server.log" 'control socket ([^ ]+)')
    PORT=$(ready_field "$DEMO_DIR/server.log" '127\.0\.0\.1:([0-9]+)')
    echo "  board control: $BOARD_CTL"
    echo "  server on 127.0.0.1:$PORT"
}

demo_write_instance() {
    say "Writing the demo instance DEMO into $FOLDER"
    cat > "$FOLDER/demo_conf.cnf" <<EOF
[Iocp]
Servers=1
Alias_000=P3D
IpDir_000=127.0.0.1
Port_000=$PORT

[Options]
AutoConnect=1
AutoHide=0

[Orva]
Serial=ORVA-12345
Sense=Gnd
EOF
    cat > "$FOLDER/demo_vars.xml" <<'EOF'
<?xml version="1.0" encoding="utf-8"?>
<offsets_list version="1.0">
	<offset type="0" name="SETUP" id="0" val="0" script="print('scripts running') printnl()&#10;HDG = orva.display.create(1, 3)&#10;KNOB = orva.encoder.create(100, 101)&#10;orva.encoder.limits.set(KNOB, 0, 359, true)" disabled="no"/>
	<offset type="2" name="GEAR_SWITCH" id="20" val="0" script="print('switch 20 is ', Value, ': sending offset 330') printnl()&#10;iocp.offset.value.set('P3D', 330, Value)" disabled="no"/>
	<offset type="6" name="GEAR_LAMP" id="330" val="0" script="print('server says offset 330 = ', Value, ': lamp 30 and heading') printnl()&#10;orva.dout.state.set(30, Value)&#10;orva.display.show.hdg(HDG, 90 * Value)" disabled="no"/>
	<offset type="4" name="KNOB_TURNED" id="0" val="0" script="local v = orva.encoder.value.get(Id)&#10;print('encoder step ', Value, ', heading bug ', v) printnl()&#10;orva.display.show.hdg(HDG, v)&#10;iocp.offset.value.set('P3D', 331, v)" disabled="no"/>
	<offset type="1" name="GOODBYE" id="0" val="0" script="print('disconnecting') printnl()" disabled="no"/>
</offsets_list>
EOF
}

# A few snippets in the code repository's file, so that the repository shows what it offers.
demo_write_repository() {
    cat > "$FOLDER/repository.xml" <<'EOF'
<?xml version="1.0" encoding="utf-8"?>
<repository Version="1.0">
	<code type="Switch" from="demo" description="A switch writes its level to an offset" script="iocp.offset.value.set('P3D', 330, Value)"/>
	<code type="Lamp" from="demo" description="An offset switches a lamp" script="orva.dout.state.set(30, Value)"/>
	<code type="Encoder" from="demo" description="An encoder from 0 to 359, round and round (AFTER CONNECT)" script="KNOB = orva.encoder.create(100, 101)&#10;orva.encoder.limits.set(KNOB, 0, 359, true)"/>
	<code type="Display" from="demo" description="A heading on three digits" script="orva.display.show.hdg(HDG, Value)"/>
	<code type="Analog" from="demo" description="A potentiometer to an offset, 0-100" script="iocp.offset.value.set('P3D', 340, mapRange(0, 65535, 0, 100, Value))"/>
</repository>
EOF
}
