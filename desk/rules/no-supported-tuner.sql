-- id: no-supported-tuner
-- severity: problem
-- applies: windows
-- title: No supported tuner hardware was found
-- advice: Windows does not see any of our tuners on this computer. Please plug the stick
--   into another USB port directly on the computer (not a hub) or check that the card sits
--   firmly in its slot, then run Tarnwick again and send the new report.
SELECT NULL AS section, NULL AS key, NULL AS value,
       (SELECT count(*) FROM entries WHERE section = 'System Device Info') || ' devices listed, none of them ours' AS detail
WHERE NOT EXISTS (
  SELECT 1 FROM entries e JOIN tuner_groups g ON instr(upper(e.key), upper(g.label)) = 1
  WHERE e.section = 'DeviceInfo')
