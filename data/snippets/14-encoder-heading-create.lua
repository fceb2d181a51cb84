--- type: Encoder
--- from: OrvaPanel
--- description: Heading knob: create a cyclic encoder 0-359 (AFTER CONNECT)
-- Event: AFTER CONNECT. Encoders are created once per connection, never in an event that
-- runs often: each call takes one of the 256 encoder slots.
-- The knob's two contacts are on pins 26 and 27. The count moves by one at every edge of
-- the contacts: four per click on the usual knobs.
HeadingKnob = orva.encoder.create(26, 27)
orva.encoder.limits.set(HeadingKnob, 0, 359, true)
