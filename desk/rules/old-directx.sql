-- id: old-directx
-- severity: warning
-- applies: windows
-- title: DirectX is older than 9.0c
-- advice: The tuner's software needs DirectX 9.0c or newer. Please install the DirectX
--   end-user runtime from Microsoft's download site and restart the computer.
SELECT section, key, value FROM entries
WHERE section = 'DirectX' AND key = 'DirectX Version' AND trim(value) <> ''
  AND compare_versions(value, '4.09.00.0904') < 0
