--- type: Lamp
--- from: OrvaPanel
--- description: Gear lights: green when down and locked, red while in transit
-- Event: the server's OFFSET event of the gear position (0 up, 16383 down).
local green, red = 20, 21
orva.dout.state.set(green, Value == 16383)
orva.dout.state.set(red, Value > 0 and Value < 16383)
