-- id: linux-no-driver
-- severity: problem
-- applies: linux
-- title: Linux runs no driver for a tuner
-- advice: Linux found the tuner but no kernel driver is bound to it. Where the report names a
--   module for it ("Module"), please load that module with "sudo modprobe MODULE", plug the
--   tuner in again and send a new report; a module that will not load often names its reason
--   in "sudo dmesg". Where it says none, the running kernel has no driver for this tuner:
--   please update the kernel, or the distribution, to a release that supports it.

-- "Device N Module" is written beside "Device N Driver=none": the modules
-- whose aliases match the device, or none when the kernel has no driver.
WITH unbound AS (
  SELECT position, section, key, value, substr(key, 1, length(key) - length('Driver')) AS device
  FROM entries
  WHERE section = 'Linux Tuner Check' AND key LIKE 'Device % Driver' AND lower(trim(value)) = 'none')
SELECT u.position, u.section, u.key, u.value,
       rtrim(lower(u.device)) || ': ' ||
       CASE WHEN m.value IS NULL THEN 'the module indexes could not be read'
            WHEN lower(trim(m.value)) = 'none' THEN 'this kernel has no driver for it'
            ELSE 'module ' || trim(m.value) || ' matches it but is not bound' END AS detail
FROM unbound u LEFT JOIN entries m ON m.section = u.section AND m.key = u.device || 'Module'
UNION ALL
SELECT m.position, m.section, m.key, m.value, NULL
FROM unbound u JOIN entries m ON m.section = u.section AND m.key = u.device || 'Module'
ORDER BY 1
