--- type: Display
--- from: OrvaPanel
--- description: Radio frequency on a 6-digit display (11802 shows 118.025)
-- Event: the server's OFFSET event of the frequency, without its leading 1 and last digit.
ComDisplay = ComDisplay or orva.display.create(9, 14)
orva.display.show.frq(ComDisplay, Value)
