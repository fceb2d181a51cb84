--- type: Encoder
--- from: OrvaPanel
--- description: Altitude knob: 100 feet per click with a click factor (AFTER CONNECT)
-- Event: AFTER CONNECT. Every click moves the value by the factor (here 100).
AltitudeKnob = orva.encoder.create(30, 31, 100)
orva.encoder.limits.set(AltitudeKnob, 0, 50000, false)
