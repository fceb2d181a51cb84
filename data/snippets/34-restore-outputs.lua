--- type: Connection
--- from: OrvaPanel
--- description: Light the outputs saved before the last disconnect (AFTER CONNECT)
-- Event: AFTER CONNECT. Reads the file the save snippet wrote, if there is one.
local file = io.open(OrvaPanelPath .. "saved-outputs.txt", "r")
if file then
    for line in file:lines() do
        local pin = tonumber(line)
        if pin then orva.dout.state.set(pin, true) end
    end
    file:close()
end
