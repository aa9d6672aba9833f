-- id: linux-node-access
-- severity: problem
-- applies: linux
-- title: The user may not open a video or DVB device node
-- advice: The TV program runs as a user who may not open the tuner's device node, so it finds
--   no tuner or shows no picture. The report names the group that grants it ("joining group
--   video grants it"): please add the user to that group with "sudo usermod -aG GROUP USER",
--   then log out and in again (or restart the computer) so that the new group applies.

-- A warning only when no node of a recognised tuner is concerned: a node of
-- no recognised device may be a webcam's.
WITH refused AS (
  SELECT position, section, key, value FROM entries
  WHERE section = 'Linux Tuner Check' AND (key LIKE 'Device % Node %' OR key LIKE 'Node %')
    AND instr(value, 'may read and write: no') > 0)
SELECT section, key, value,
       CASE WHEN NOT EXISTS (SELECT 1 FROM refused WHERE key LIKE 'Device %') THEN 'warning' END AS severity
FROM refused
ORDER BY position
