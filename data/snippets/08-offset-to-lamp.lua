--- type: Lamp
--- from: OrvaPanel
--- description: Offset to lamp: the lamp is lit while the offset is not 0
-- Event: the server's OFFSET event, Id = the offset.
-- Output 16 is output 1 of the output card at ADDR 5 (see orva.calcpinid).
orva.dout.state.set(16, Value ~= 0)
