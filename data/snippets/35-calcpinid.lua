--- type: Switch
--- from: OrvaPanel
--- description: Pin ids from card and contact numbers: a switch on an input card by ADDR
-- Event: DIGITAL PIN, Id = 0 (every pin). orva.calcpinid(ADDR, number) gives the pin id of
-- a card's input or output, so the script names the card as it is set on the board.
if Id == orva.calcpinid(0, 10) then
    iocp.offset.value.set("P3D", 1110, Value)
end
