--- type: Lamp
--- from: OrvaPanel
--- description: Warning lamp that blinks while the offset is set (stall, fire)
-- Event: the server's OFFSET event, Id = the offset.
local lamp = 24
if Value ~= 0 then
    orva.dout.blinking.set(lamp, true)
else
    orva.dout.blinking.set(lamp, false)
    orva.dout.state.set(lamp, false)  -- blinking may have stopped with the lamp lit
end
