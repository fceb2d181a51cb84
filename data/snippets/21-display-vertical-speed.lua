--- type: Display
--- from: OrvaPanel
--- description: Vertical speed in hundreds of feet per minute on a 2-digit display
-- Event: the server's OFFSET event of the vertical speed in feet per minute.
VsDisplay = VsDisplay or orva.display.create(7, 8)
orva.display.show.vs(VsDisplay, math.abs(Value) // 100)
