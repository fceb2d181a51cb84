--- type: Display
--- from: OrvaPanel
--- description: Avionics master switch: every display dark while it is off
-- Event: DIGITAL PIN, Id = the switch's pin. Displays that do not exist are left alone, so
-- this covers the first 8 whatever was created.
for display = 1, 8 do
    orva.display.switch(display, Value == 1)
end
