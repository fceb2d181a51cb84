--- type: Encoder
--- from: OrvaPanel
--- description: Encoder sends increase and decrease keys instead of a value
-- Event: ENCODER, Id = the encoder (or 0 for every one). Value is +1 or -1 per step: one
-- step per edge of the knob's contacts, four per click on the usual knobs.
if Value > 0 then
    iocp.eventkey.send("P3D", 4001, 1)
else
    iocp.eventkey.send("P3D", 4002, 1)
end
