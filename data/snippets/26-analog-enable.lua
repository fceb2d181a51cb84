--- type: Analog
--- from: OrvaPanel
--- description: Analog channels: switch channels 1 and 2 on (AFTER CONNECT)
-- Event: AFTER CONNECT. ANALOG CHNL events run only for the channels that are on.
orva.adc.active.channel(1, true)
orva.adc.active.channel(2, true)
