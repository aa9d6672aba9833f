-- id: report-edited
-- severity: note
-- applies: all
-- title: The report was changed after the run wrote it
-- advice: This report was opened and saved in an editor, so some entries may be missing or
--   changed. Please send SystemInfo.ini exactly as Tarnwick left it: attach the file itself
--   (or a zip of it) rather than copying its text.

-- An edition name that ends in a line feed (Windows Me, Win32s) is written
-- as it is, so its entry line ends in LF and an empty line follows: the run
-- wrote that one.
WITH odd_ending AS (
  SELECT l.position, l.text, l.ending FROM lines l
  WHERE (SELECT line_ends_as_written FROM report) = 1 AND l.ending IN ('LF', 'CR')
    AND NOT (l.ending = 'LF' AND instr(l.text, '=') > 0
             AND EXISTS (SELECT 1 FROM lines n WHERE n.position = l.position + 1 AND n.text = '' AND n.ending = 'CRLF'))
  ORDER BY l.position LIMIT 1),
stray AS (
  SELECT position, text FROM lines
  WHERE trim(text, ' ' || char(9)) <> '' AND instr(text, '=') = 0
    AND NOT (substr(ltrim(text, ' ' || char(9)), 1, 1) = '[' AND instr(text, ']') > 0)
  ORDER BY position LIMIT 1)
SELECT '' AS section, 'line ' || position AS key, text AS value,
       'line ' || position || ' ends in ' || ending || ', not CR LF' AS detail
FROM odd_ending
UNION ALL
SELECT '', 'line ' || position, text, 'line ' || position || ' is neither a header, an entry nor empty' FROM stray
