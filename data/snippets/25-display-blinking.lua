--- type: Display
--- from: OrvaPanel
--- description: Display blinks while an offset is set (a value out of range, a failure flag)
-- Event: the server's OFFSET event of the flag. HeadingDisplay is the heading snippet's.
if HeadingDisplay then
    orva.display.blinking.set(HeadingDisplay, Value ~= 0)
    if Value == 0 then orva.display.switch(HeadingDisplay, true) end
end
