-- id: no-capture-filter
-- severity: problem
-- applies: windows
-- title: Tuner hardware is there, but no capture or BDA filter
-- advice: Windows sees the tuner but no TV program can use it: its driver did not register
--   the capture filters. Please uninstall the tuner's driver, restart the computer and
--   install the driver again from our download page.
SELECT d.section, d.key, d.value FROM tuner_devices d
WHERE NOT EXISTS (
  SELECT 1 FROM entries e WHERE e.section = 'Filter Name'
  AND (instr(upper(e.key), 'VIDEO CAPTURE SOURCES ') = 1 OR instr(upper(e.key), 'NETWORK TUNER ') = 1
       OR instr(upper(e.key), 'RECEIVER COMPONENT ') = 1))
