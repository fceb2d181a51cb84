--- type: Servo
--- from: OrvaPanel
--- description: Servo gauge: an offset of 0-100 % moves a needle over the servo's range
-- Event: the server's OFFSET event. Servo 1 of the analog and servo board; 0-255 is the
-- servo's whole travel: narrow it to your gauge's scale.
orva.servo.position.set(1, mapRange(0, 100, 0, 255, Value))
