--- type: Debug
--- from: OrvaPanel
--- description: Print every input change to the print monitor (to find a switch's pin)
-- Event: DIGITAL PIN, Id = 0 (every pin).
print("pin " .. Id .. " = " .. Value)
printnl()
