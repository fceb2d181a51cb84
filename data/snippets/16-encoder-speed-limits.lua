--- type: Encoder
--- from: OrvaPanel
--- description: Speed knob: an encoder that stops at 100 and 250, starting at 100 (AFTER CONNECT)
-- Event: AFTER CONNECT. The knob's contacts are on pins 28 and 29.
SpeedKnob = orva.encoder.create(28, 29)
orva.encoder.limits.set(SpeedKnob, 100, 250, false)
orva.encoder.value.set(SpeedKnob, 100)
