-- id: mce-encoder-missing
-- severity: warning
-- applies: windows
-- title: Media Center is set up for the tuner, but its encoder pack is not installed
-- advice: Windows Media Center needs the encoder pack from the tuner's CD to record analogue
--   TV. Please install "MCE Encoder" from the CD (or our download page) and restart Media
--   Center.
WITH needs AS (
  SELECT section, key, value FROM entries
  WHERE ((section = 'Windows OS' AND key = 'MCE OS') OR (section = 'Empia Data' AND key = 'MCE Item'))
    AND value = 'Yes')
SELECT section, key, value FROM needs
WHERE (SELECT count(*) FROM needs) = 2 AND NOT EXISTS (SELECT 1 FROM entries WHERE section = 'MCE Encoder Info')
