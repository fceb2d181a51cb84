--- type: Switch
--- from: OrvaPanel
--- description: Switch to offset: 1 while the switch is closed, 0 while it is open
-- Event: DIGITAL PIN, Id = the switch's pin (here input 3 of the input card at ADDR 0).
-- Set the server's alias and the offset to yours.
iocp.offset.value.set("P3D", 1101, Value)
