--- type: IOCP
--- from: OrvaPanel
--- description: Copy an offset from one server to another as it changes
-- Event: the first server's OFFSET event; the value goes to offset 2003 of SIM2.
iocp.offset.value.set("SIM2", 2003, Value)
