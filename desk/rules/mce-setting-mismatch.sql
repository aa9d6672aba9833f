-- id: mce-setting-mismatch
-- severity: warning
-- applies: windows
-- title: The tuner's Media Center setting differs from the driver's
-- advice: The tuner and its driver disagree about Windows Media Center. Please install the
--   driver again with the setup program that came with this tuner, so that it writes the
--   matching setting, and restart the computer.
WITH item AS (SELECT section, key, value FROM entries WHERE section = 'Empia Data' AND key = 'MCE Item'),
reg AS (SELECT section, key, value FROM entries WHERE section = 'Empia Data' AND key = 'Reg-MCE'),
mismatch AS (
  SELECT 1 FROM item, reg
  WHERE (item.value = 'Yes' AND trim(reg.value) = '0') OR (item.value = 'No' AND trim(reg.value) <> '0'))
SELECT section, key, value FROM item WHERE EXISTS (SELECT 1 FROM mismatch)
UNION ALL
SELECT section, key, value FROM reg WHERE EXISTS (SELECT 1 FROM mismatch)
