--- type: Encoder
--- from: OrvaPanel
--- description: Altitude knob: 100 feet a step with a click factor (AFTER CONNECT)
-- Event: AFTER CONNECT. Every step moves the value by the factor (here 100); a step is one
-- edge of the knob's contacts.
AltitudeKnob = orva.encoder.create(30, 31, 100)
orva.encoder.limits.set(AltitudeKnob, 0, 50000, false)
