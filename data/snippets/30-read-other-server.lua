--- type: IOCP
--- from: OrvaPanel
--- description: Read a value from another server and write it to this one
-- Event: DIGITAL PIN, Id = the button's pin. The value read must have an OFFSET event of
-- the other server (SIM2, offset 2002), even one without a script: only offsets with an
-- event are sent by the server.
if Value == 1 then
    local value = iocp.offset.value.get("SIM2", 2002)
    if value ~= nil then iocp.offset.value.set("P3D", 1702, value) end
end
