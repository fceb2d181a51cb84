--- type: Display
--- from: OrvaPanel
--- description: Transponder code on 4 digits with leading zeros (a format of your own)
-- Event: the server's OFFSET event of the code. The format takes one number, printf-style.
SquawkDisplay = SquawkDisplay or orva.display.create(15, 18)
orva.display.show.usr(SquawkDisplay, "%04.0f", Value)
