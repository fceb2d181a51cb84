--- type: Lamp
--- from: OrvaPanel
--- description: Pulse an output for half a second when a button is pressed (horn, solenoid)
-- Event: DIGITAL PIN, Id = the button's pin. The output goes off by itself after 500 ms;
-- the script does not wait for it.
if Value == 1 then
    orva.dout.state.set(25, true, 500)
end
