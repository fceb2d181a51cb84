--- type: Connection
--- from: OrvaPanel
--- description: Save the lit outputs to a file before disconnecting (BEFORE DISCONNECT)
-- Event: BEFORE DISCONNECT. The outputs go off when the panel disconnects; the restore
-- snippet lights them again at the next connect. The file is in the OrvaPanel folder.
local file = io.open(OrvaPanelPath .. "saved-outputs.txt", "w")
if file then
    for pin = 16, 511 do
        if orva.dout.state.get(pin) then file:write(pin, "\n") end
    end
    file:close()
end
