--- type: Lamp
--- from: OrvaPanel
--- description: Offset bits to lamps: one lamp per bit (annunciator words)
-- Event: the server's OFFSET event, Id = the offset.
-- Bit 0 lights output 17, bit 1 output 18, bit 2 output 19.
local lamps = {17, 18, 19}
for bit, pin in ipairs(lamps) do
    orva.dout.state.set(pin, ((Value >> (bit - 1)) & 1) == 1)
end
