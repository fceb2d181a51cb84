--- type: Display
--- from: OrvaPanel
--- description: Heading on a 3-digit display, with leading zeros (005, 090, 360 as 000)
-- Event: the server's OFFSET event of the heading.
-- The display is made at the first value after a connect (digits 1-3 of the display card at
-- ADDR 15); the global keeps its id for the connection.
HeadingDisplay = HeadingDisplay or orva.display.create(1, 3)
orva.display.show.hdg(HeadingDisplay, Value)
