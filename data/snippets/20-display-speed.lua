--- type: Display
--- from: OrvaPanel
--- description: Speed (IAS) on a 3-digit display, 0 to 999
-- Event: the server's OFFSET event of the speed in knots.
SpeedDisplay = SpeedDisplay or orva.display.create(4, 6)
orva.display.show.ias(SpeedDisplay, Value)
