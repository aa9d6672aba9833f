-- id: run-incomplete
-- severity: problem
-- applies: windows
-- title: The run stopped before the filter categories, or DirectShow is broken on this PC
-- advice: The report lists no DirectShow filters, and every Windows registers some. Please
--   start Tarnwick again, wait until it shows its list, and send the new SystemInfo.ini.
--   If that report lacks the filters too, DirectShow itself is damaged on this computer:
--   installing the DirectX end-user runtime again usually mends it.
WITH last_section AS (
  SELECT r.section FROM run_sections r
  WHERE EXISTS (SELECT 1 FROM entries e WHERE e.section = r.section)
  ORDER BY r.position DESC LIMIT 1),
last_category AS (
  SELECT c.label FROM filter_categories c
  WHERE EXISTS (SELECT 1 FROM entries e WHERE e.section = 'Filter Name' AND instr(upper(e.key), upper(c.label)) = 1)
  ORDER BY c.position DESC LIMIT 1)
SELECT e.section, e.key, e.value,
       'the last section present is "' || (SELECT section FROM last_section) || '"' ||
       coalesce(', the last filter category "' || rtrim((SELECT label FROM last_category)) || '"', '') AS detail
FROM (SELECT 1)
LEFT JOIN entries e ON e.position = (SELECT max(position) FROM entries WHERE section = (SELECT section FROM last_section))
WHERE NOT EXISTS (SELECT 1 FROM entries WHERE section = 'Filter Name' AND instr(upper(key), 'DIRECTSHOW FILTERS ') = 1)
