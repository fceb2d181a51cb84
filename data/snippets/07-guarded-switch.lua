--- type: Switch
--- from: OrvaPanel
--- description: Guarded switch: acts only while its guard (cover) is open
-- Event: DIGITAL PIN, Id = the switch's pin. The guard's own contact is on pin 25.
local guard = 25
if orva.din.state.get(guard) == 1 then
    iocp.offset.value.set("P3D", 1107, Value)
end
