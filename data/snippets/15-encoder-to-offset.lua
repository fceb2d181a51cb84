--- type: Encoder
--- from: OrvaPanel
--- description: Encoder to offset: each encoder's value to offset 1300 + its id
-- Event: ENCODER, Id = 0 (every encoder). Id is the encoder that turned, Value the step
-- (+1 or -1, one per edge of the knob's contacts); the value read here is already within the
-- encoder's limits.
iocp.offset.value.set("P3D", 1300 + Id, orva.encoder.value.get(Id))
