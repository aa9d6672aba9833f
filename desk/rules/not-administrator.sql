-- id: not-administrator
-- severity: warning
-- applies: windows
-- title: The customer is not an administrator
-- advice: Installing the tuner's driver and software needs administrator rights. Please log
--   on with an administrator account (or right-click the setup program and choose "Run as
--   administrator") and install the driver again.
WITH account AS (
  SELECT section, key, value FROM entries
  WHERE section = 'User Info' AND key = 'User Name' AND substr(value, -21) = ' is not Administrator'),
locale AS (
  SELECT e.section, e.key, e.value, l.language FROM entries e JOIN lcids l ON l.locale = trim(e.value)
  WHERE e.section = 'SystemInfo' AND e.key = 'Locale'),
translated AS (SELECT 1 FROM locale WHERE language <> 'en')
SELECT section, key, value,
       CASE WHEN EXISTS (SELECT 1 FROM translated) THEN 'note' END AS severity,
       CASE WHEN EXISTS (SELECT 1 FROM translated)
            THEN 'perhaps wrongly, since a Windows in another language (' || (SELECT language FROM locale) ||
                 ') names its administrators group differently, which always reads as "not"'
       END AS detail
FROM account
UNION ALL
SELECT section, key, value, NULL, NULL FROM locale WHERE language <> 'en' AND EXISTS (SELECT 1 FROM account)
