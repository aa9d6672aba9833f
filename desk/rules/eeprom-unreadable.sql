-- id: eeprom-unreadable
-- severity: problem
-- applies: windows
-- title: The tuner's configuration memory could not be read or holds an unexpected value
-- advice: The tuner answered, but its settings memory gave no valid data. Please unplug the
--   tuner, wait ten seconds, plug it in again and run Tarnwick once more. If the report
--   still says "Data Error", the tuner needs to be exchanged: reply with your proof of
--   purchase and we will arrange it.
SELECT section, key, value FROM entries
WHERE section = 'Empia Data' AND key IN ('MCE Item', 'Video Standard') AND value = 'Data Error'
