/* A library with one export, so the sample is a real DLL. */
__declspec(dllexport) int SampleValue(void) { return 7; }
