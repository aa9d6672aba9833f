-- id: linux-firmware-missing
-- severity: warning
-- applies: linux
-- title: A firmware file that a tuner's driver declares is missing
-- advice: The tuner's driver asks for a firmware file that is not installed; without it a
--   DVB tuner usually stays dark. Please install your distribution's firmware package (Debian
--   and Ubuntu: "firmware-linux-nonfree" or "linux-firmware"), or copy the file named here into
--   /lib/firmware, then plug the tuner in again. Drivers declare alternatives, so a missing
--   file is a hint, not proof: "sudo dmesg" after plugging in names the file the driver really
--   looked for.

-- A note only, when another declared file of the same device is present:
-- it may be the alternative the tuner uses.
WITH firmware AS (
  SELECT position, section, key, value, substr(key, 1, instr(lower(key), ' firmware ')) AS device
  FROM entries
  WHERE section = 'Linux Tuner Check' AND key LIKE 'Device % Firmware %'),
missing AS (SELECT * FROM firmware WHERE substr(rtrim(value), -8) = ' missing')
SELECT m.section, m.key, m.value,
       CASE WHEN EXISTS (SELECT 1 FROM firmware p WHERE p.device = m.device
                         AND substr(rtrim(p.value), -8) = ' present') THEN 'note' END AS severity,
       rtrim(substr(rtrim(m.value), 1, length(rtrim(m.value)) - 8)) AS detail
FROM missing m
ORDER BY m.position
