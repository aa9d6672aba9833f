-- id: video-standard-region
-- severity: warning
-- applies: windows
-- title: The tuner is set for another country's analogue TV standard
-- advice: The tuner is configured for a TV standard your country does not broadcast, so
--   analogue channels will show no picture or no colour. Please tell us where you bought
--   the tuner; we will send the model for your country's standard.
WITH standard AS (
  SELECT section, key, value FROM entries
  WHERE section = 'Empia Data' AND key = 'Video Standard' AND value IN ('NTSC', 'PAL')),
country AS (
  SELECT e.section, e.key, e.value, c.name, c.tv_standard FROM entries e JOIN countries c ON c.code = trim(e.value)
  WHERE e.section = 'SystemInfo' AND e.key = 'CountryCode'),
clash AS (
  SELECT country.name, country.tv_standard FROM standard, country
  WHERE (standard.value = 'NTSC' AND country.tv_standard = 'PAL')
     OR (standard.value = 'PAL' AND country.tv_standard = 'NTSC'))
SELECT section, key, value, (SELECT name || ' broadcasts ' || tv_standard FROM clash) AS detail
FROM standard WHERE EXISTS (SELECT 1 FROM clash)
UNION ALL
SELECT section, key, value, NULL FROM country WHERE EXISTS (SELECT 1 FROM clash)
