--- type: Switch
--- from: OrvaPanel
--- description: Rotary selector: one pin per position, the position to one offset
-- Event: DIGITAL PIN, Id = 0 (every pin): the table below picks the selector's pins.
-- Each position's pin and the value it writes.
local positions = {[496] = 0, [497] = 1, [498] = 2, [499] = 3}
local position = positions[Id]
if position ~= nil and Value == 1 then
    iocp.offset.value.set("P3D", 1105, position)
end
