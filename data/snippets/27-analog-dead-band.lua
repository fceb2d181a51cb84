--- type: Analog
--- from: OrvaPanel
--- description: Analog channel to offset with a dead band (throttle, trim wheel)
-- Event: ANALOG CHNL, Id = the channel. Value is the reading (0-1023); changes smaller than
-- the dead band are noise and send nothing. The reading is scaled to 0-16383.
local deadBand = 8
LastReading = LastReading or {}  -- per channel, for this connection
local last = LastReading[Id]
if last ~= nil and math.abs(Value - last) < deadBand then return end
LastReading[Id] = Value
iocp.offset.value.set("P3D", 1500 + Id, mapRange(0, 1023, 0, 16383, Value))
