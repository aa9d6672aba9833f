-- id: linux-usb-speed
-- severity: problem
-- applies: linux
-- title: A USB tuner runs slower than it is built for
-- advice: The tuner is connected at a lower USB speed than it is built for; at 12 Mbit/s the
--   picture stutters or stays black. Please plug it directly into a USB 2.0 (or faster) port
--   of the computer, not into a hub, a front panel or an extension cable, and send a new report.

-- A warning only when the port still gives high speed (480 Mbit/s): a tuner
-- built for USB 3 needs no more than that.
SELECT section, key, value,
       CASE WHEN CAST(value AS REAL) >= 480 THEN 'warning' END AS severity,
       substr(value, 1, instr(value, ';') - 1) AS detail
FROM entries
WHERE section = 'Linux Tuner Check' AND key LIKE 'Device % USB Speed'
  AND instr(value, 'slower than it is built for') > 0
ORDER BY position
