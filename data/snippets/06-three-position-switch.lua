--- type: Switch
--- from: OrvaPanel
--- description: Three-position switch on two pins: 1 up, 0 centre, 2 down
-- Event: DIGITAL PIN, Id = 0 (every pin); only the switch's two pins count.
local up, down = 22, 23
if Id ~= up and Id ~= down then return end
local position = 0
if orva.din.state.get(up) == 1 then
    position = 1
elseif orva.din.state.get(down) == 1 then
    position = 2
end
iocp.offset.value.set("P3D", 1106, position)
