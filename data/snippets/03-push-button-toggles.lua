--- type: Switch
--- from: OrvaPanel
--- description: Push button toggles an offset between 0 and 1 on every press
-- Event: DIGITAL PIN, Id = the button's pin.
-- The state lives in a global of its own (one name per button); it starts at 0 on connect.
if Value == 1 then
    ButtonState1103 = toggle(ButtonState1103 or 0)
    iocp.offset.value.set("P3D", 1103, ButtonState1103)
end
