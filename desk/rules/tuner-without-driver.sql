-- id: tuner-without-driver
-- severity: problem
-- applies: windows
-- title: A tuner has no working driver
-- advice: The tuner is plugged in but Windows runs no driver for it. Please install the
--   driver from our download page (unplug the tuner first, run the setup, then plug it in
--   again) and send a new report if the problem stays.
SELECT d.section, d.key, d.value FROM tuner_devices d
WHERE coalesce(trim((SELECT p.value FROM entries p
                     WHERE p.section = 'DeviceInfo' AND p.key = d.key || '_ProviderName')), '') = ''
UNION ALL
SELECT p.section, p.key, p.value FROM tuner_devices d
JOIN entries p ON p.section = 'DeviceInfo' AND p.key = d.key || '_ProviderName'
WHERE trim(p.value) = ''
