--- type: Lamp
--- from: OrvaPanel
--- description: Lamp test: every lamp lit while the test switch is held, then as before
-- Event: DIGITAL PIN, Id = the lamp test switch's pin.
-- The outputs (and blinking lamps) are saved when the test starts and put back after it.
if Value == 1 then
    orva.dout.states.save()
    orva.dout.states.set(true)
else
    orva.dout.states.restore()
end
