--- type: Servo
--- from: OrvaPanel
--- description: Servos to their middle position when the panel connects (AFTER CONNECT)
-- Event: AFTER CONNECT, on an analog and servo board.
for servo = 1, 8 do
    orva.servo.position.set(servo, 128)
end
