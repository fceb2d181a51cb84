--- type: Switch
--- from: OrvaPanel
--- description: Push button sends an event key (a command) when pressed
-- Event: DIGITAL PIN, Id = the button's pin.
-- The key and its parameter are the server's; nothing is sent when the button is let go.
if Value == 1 then
    iocp.eventkey.send("P3D", 3010, 1)
end
