-- id: usb2-tuner-on-usb11
-- severity: problem
-- applies: windows
-- title: A USB 2.0 tuner is on a computer that reports USB 1.1 only
-- advice: The tuner needs a USB 2.0 (high-speed) port; on a USB 1.1 port the picture stutters
--   or stays black. Please plug it into a USB 2.0 port, or install the chipset's USB 2.0
--   driver from the maker of the computer or its mainboard.
WITH usb_tuners AS (
  SELECT section, key, value FROM tuner_devices
  WHERE instr(upper(value), 'USB\') = 1
    AND (SELECT trim(value) FROM entries WHERE section = 'USBInfo' AND key = 'USB TYPE') = '1.1'
    AND NOT EXISTS (SELECT 1 FROM entries WHERE section = 'System Device Info'
                    AND instr(upper(key), 'SYSTEM ID ') = 1 AND instr(upper(value), 'USB\ROOT_HUB30') = 1))
SELECT section, key, value FROM usb_tuners
UNION ALL
SELECT section, key, value FROM entries
WHERE section = 'USBInfo' AND key = 'USB TYPE' AND EXISTS (SELECT 1 FROM usb_tuners)
