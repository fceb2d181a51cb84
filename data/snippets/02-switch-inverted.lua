--- type: Switch
--- from: OrvaPanel
--- description: Switch to offset, inverted: 0 while closed, 1 while open
-- Event: DIGITAL PIN, Id = the switch's pin.
-- For a switch wired the other way round, or an offset that means "off" with 1.
iocp.offset.value.set("P3D", 1102, toggle(Value))
